#pragma once

namespace quillon {

class CMainDlg;
class CTargetChip;

// Every flash command starts with an empty IAP Status line shown in the window.
void BeginFlashCommand(CMainDlg& host);

// The checks of the commands that work on a sector range, in order: a target chip (whose
// geometry then follows its chip type), a connected port, user code not started, a legal
// current block. The first that fails is told the operator and gives null.
CTargetChip* SectorCommandTarget(CMainDlg& host);

// The checks of the commands that change the chip's configuration: a target chip and a
// connected port.
CTargetChip* ConfigurationCommandTarget(CMainDlg& host);

// Chip erase, lock and remap have no place in the queued link's conversation: tells the
// operator so and gives true there.
bool RefusedInQueuedLink(CMainDlg& host);

// A queued operation that failed leaves the conversation in an unknown state: the worker
// is stopped and the link marked lost, and the watchdog then tells the operator.
void DropFailedQueuedLink(CMainDlg& host);

// After an operation: true when a stop request ended it. The person is told where it
// stopped and what may be half-done, and the command ends Stopped. A link whose frame was
// abandoned is set aside quietly, as the words said: the worker of a queued link is
// stopped, and either link then needs a new detection.
bool EndedByStop(CMainDlg& host);

}  // namespace quillon
