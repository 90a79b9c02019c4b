#pragma once

#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "operator/timing.h"
#include "settings/app_paths.h"
#include "ui/operator.h"
#include "ui/qt/main_window_controls.h"
#include "ui/qt/message_boxes.h"
#include "ui/qt/print_back_end_qt.h"
#include "ui/qt/status_panes.h"
#include "ui/recent_files.h"
#include "ui/results_recorder.h"

class QAction;
class QMenu;

namespace quillon {
class CImageFileDlg;
class CMainDlg;
}  // namespace quillon

namespace quillon::gui {

class CSecurityBar;
class LogDock;

// The main window on the desktop: it renders what CMainDlg shows, hands every click to
// CMainDlg's handler for it, and is the Operator those handlers talk to.
class CMainWindow : public QMainWindow, public Operator {
  Q_OBJECT

 public:
  static constexpr std::string_view MainTitle = "QRV Brevix Quillon (v1.1E)";
  static constexpr std::string_view StopAndQuit = "An operation is running. Stop it and quit?";

  explicit CMainWindow(AppPaths paths, Timing timing = {}, QWidget* parent = nullptr);
  ~CMainWindow() override;

  // Runs a command as its menu item or button does; false when none runs for it, because
  // the id does nothing, the window is closed, or another command is running. While it
  // runs, every command is disabled and the Stop button enabled.
  bool RunCommand(int commandId);
  bool CommandRunning() const { return commandRunning_; }
  // Asks the running command to stop, as the Stop button and Escape do.
  void StopCommand();
  CMainDlg& Dialog() { return *dlg_; }
  const WindowControls& Controls() const { return controls_; }
  StatusPanes& Panes() { return panes_; }
  CSecurityBar& SecurityBar() { return *securityBar_; }
  LogDock& Log() { return *log_; }
  QAction* CommandAction(int commandId) const;
  // Runs Download with this file filled in, as a drop of it or its Recent Files entry does.
  bool DownloadFile(const std::string& file);
  const RecentFiles& Recent() const { return recent_; }
  // Where printing goes instead of the print dialog, for a test or a script.
  void SetPrinterChooser(PrinterChooser chooser) { printerChooser_ = std::move(chooser); }
  void SetTracing(bool on) { tracing_ = on; }
  // Turns the results log on with the file, or off with none; the reason, for the
  // operator, when the file cannot be written to.
  std::string SetResultsLog(const std::optional<std::string>& file);
  std::string ResultsLogPath() const { return results_.Path(); }

  // OperatorMessages
  void Inform(std::string_view text) override { Ask(text, Buttons::Ok, Answer::Ok); }
  Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) override;
  void Trace(std::string_view text) override;
  void Pump() override;
  // OperatorProgress
  void ProgressSetRange(int units) override { panes_.Progress().SetRange(0, units, 1); }
  void ProgressReset() override { panes_.Progress().SetPos(0); }
  void ProgressSetText(std::string_view text) override { panes_.Progress().SetText(text); }
  void ProgressAdvance() override { panes_.Progress().StepIt(); }
  // OperatorDialogs
  bool RunChipTypeDialog(CChipTypeDlg& dialog) override;
  bool RunRangeDialog(CRangeDlg& dialog) override;
  bool RunDownloadDialog(CDownloadDlg& dialog) override;
  bool RunCompareDialog(CCompareDlg& dialog) override;
  bool RunSaveDialog(CSaveDlg& dialog) override;
  bool RunLockDialog(CLockDlg& dialog) override;
  bool RunRemapDialog(CRemapDlg& dialog) override;
  bool RunCommConfigDialog(CCommConfigDlg& dialog) override;
  // MainWindowView
  std::string Title() const override;
  void SetTitle(std::string_view title) override;
  void ShowChipInfo(const ChipInfo& info) override;
  void EnableCommand(int commandId, bool enabled) override;
  void SelectBlockTab(int block) override;
  void RedrawNow() override { repaint(); }
  void SetSectorTable(const std::vector<SectorTableRow>& rows) override;
  void SetMemoryView(const MemoryView& view) override;
  void SetPaneTexts(std::string_view clock, std::string_view port, std::string_view baud) override;
  void LinkWorkerStopping(bool stopping) override { boxes_.LinkWorkerStopping(stopping); }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void ConnectControls();
  void ShowBusy(bool busy);
  // The enabling a command asked for, shown once no command runs.
  bool Wanted(int commandId) const;
  // Opens at the layout's size, within the screen's free area, centred on it.
  void FitToScreen();
  void OnEscape();
  void OnEnter();
  void BuildViewAndRecentMenus();
  void ShowRecentFiles();
  // What the operator chose in a dialog the last time, by command: offered again.
  struct Remembered {
    std::string file;
    int start = -1;
    int range = -1;
  };
  Remembered& Memory() { return remembered_[currentCommand_]; }
  void ApplyResultsLogChoice(const ResultsLogChoice& choice);
  bool RunImageFileDialog(CImageFileDlg& dialog, std::string_view title, const char* objectName);
  QString CommandName(int commandId) const;
  void RunHandler(int commandId);
  bool RunExclusive(const std::function<void()>& command);
  void Tick();

  std::unique_ptr<CMainDlg> dlg_;
  MessageBoxes boxes_;
  WindowControls controls_;
  StatusPanes panes_;
  CSecurityBar* securityBar_;
  std::map<int, QAction*> actions_;
  QTimer timer_;
  QElapsedTimer sincePump_;
  PrinterChooser printerChooser_;
  std::map<int, bool> wanted_;
  LogDock* log_;
  RecentFiles recent_;
  ResultsRecorder results_;
  QMenu* recentMenu_ = nullptr;
  std::map<int, Remembered> remembered_;
  int currentCommand_ = 0;
  std::string droppedFile_;
  // The diagnostic traces of the running command, shown beneath its next message box.
  std::mutex tracesMutex_;
  std::string heldTraces_;
  // The device the port pane names, whose adapter its tooltip describes.
  std::string paneDevice_;
  bool tracing_ = false;
  bool closeWhenIdle_ = false;
  bool commandRunning_ = false;
  bool askingToQuit_ = false;
  bool shown_ = false;
};

}  // namespace quillon::gui
