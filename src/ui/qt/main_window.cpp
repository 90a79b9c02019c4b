#include "ui/qt/main_window.h"

#include <QAbstractButton>
#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QStyle>
#include <QTabBar>
#include <QThread>
#include <QToolBar>
#include <cstdio>
#include <ctime>

#include "settings/serial_devices.h"
#include "ui/clock_pane.h"
#include "ui/compare_dialog.h"
#include "ui/download_dialog.h"
#include "ui/lock_dialog.h"
#include "ui/main_dlg.h"
#include "ui/qt/about_box.h"
#include "ui/qt/dialog_views.h"
#include "ui/qt/log_dock.h"
#include "ui/qt/main_window_commands.h"
#include "ui/qt/sector_list_ctrl.h"
#include "ui/qt/security_bar.h"
#include "ui/qt/text.h"
#include "ui/range_dialog.h"
#include "ui/remap_dialog.h"
#include "ui/save_dialog.h"
#include "ui/sector_rows.h"

namespace quillon::gui {

namespace {

constexpr int TimerPeriodMs = 500;
// Often enough for the bar to move smoothly, seldom enough not to slow the transfer.
constexpr qint64 PumpIntervalMs = 15;

std::string LocalClockText() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return ClockPaneText(local);
}

// The files a drop may bring: the image formats the download reads.
bool IsImageFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  return suffix == QLatin1String("hex") || suffix == QLatin1String("ihx") || suffix == QLatin1String("ihex") ||
         suffix == QLatin1String("bin");
}

QString DroppedImage(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls() || data->urls().size() != 1 || !data->urls().front().isLocalFile()) {
    return {};
  }
  const QString path = data->urls().front().toLocalFile();
  return IsImageFile(path) ? path : QString();
}

// A start or range the list no longer holds (another chip, another block) is left as the
// dialog chose it.
template <typename Dialog>
void RecallStartAndRange(const auto& remembered, Dialog& dialog) {
  if (remembered.start >= 0) {
    dialog.SelectStart(remembered.start);
  }
  if (remembered.range >= 0) {
    dialog.SelectRange(remembered.range);
  }
}

// The client area scrolls only on a screen too small for even its smallest layout; it
// asks for the size its controls want, not for a scroll area's modest default.
class AreaScroller : public QScrollArea {
 public:
  using QScrollArea::QScrollArea;
  QSize sizeHint() const override { return widget()->sizeHint() + QSize(2 * frameWidth(), 2 * frameWidth()); }
};

}  // namespace

CMainWindow::CMainWindow(AppPaths paths, Timing timing, QWidget* parent)
    : QMainWindow(parent),
      boxes_(this),
      panes_(*statusBar()),
      securityBar_(new CSecurityBar(SecurityBandWidth(font()))),
      log_(new LogDock(this)),
      recent_(paths) {
  setWindowTitle(ToQString(MainTitle));
  auto* area = new QWidget;
  controls_ = BuildWindowControls(*area);
  auto* scroller = new AreaScroller(this);
  scroller->setObjectName(QStringLiteral("area"));
  scroller->setFrameShape(QFrame::NoFrame);
  scroller->setWidgetResizable(true);
  scroller->setWidget(area);
  setCentralWidget(scroller);

  auto* toolbar = addToolBar(QStringLiteral("Toolbar"));
  toolbar->setObjectName(QStringLiteral("toolbar"));
  toolbar->setIconSize(QSize(16, 15));
  actions_ = BuildMenusAndToolbar(*this, *toolbar);
  BuildViewAndRecentMenus();
  addDockWidget(Qt::BottomDockWidgetArea, log_);
  log_->hide();
  log_->tellFailure = [this](const std::string& text) { Inform(text); };
  setAcceptDrops(true);
  auto* securityBand = addToolBar(QStringLiteral("Security"));
  securityBand->setObjectName(QStringLiteral("securityBand"));
  securityBand->addWidget(securityBar_);

  setWindowIcon(WindowIcon());
  InsertListColumns(controls_);
  FitToScreen();
  panes_.Pane(StatusPanes::ClockPane)->setText(ToQString(LocalClockText()));
  ConnectControls();

  dlg_ = std::make_unique<CMainDlg>(*this, std::move(paths), timing);
  dlg_->OnInitDialog();
  timer_.start(TimerPeriodMs);
  if (const ResultsLogChoice stored = StoredResultsLogChoice(dlg_->Paths()); stored.on) {
    // Told once the window is up, as a log the last run chose may have gone since.
    if (std::string failure = SetResultsLog(stored.file); !failure.empty()) {
      QTimer::singleShot(0, this, [this, failure = std::move(failure)] { Inform(failure); });
    }
  }
}

std::string CMainWindow::SetResultsLog(const std::optional<std::string>& file) {
  if (!file) {
    results_.Close();
    return {};
  }
  std::string failure;
  return results_.Open(*file, failure) ? std::string() : "cannot write to the results log " + *file + ": " + failure;
}

void CMainWindow::FitToScreen() {
  ensurePolished();
  layout()->activate();
  QSize size = sizeHint().expandedTo(minimumSizeHint());
  const QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    resize(size);
    return;
  }
  // The frame the desktop draws round the window is known once it is shown; before, the
  // style's title bar and frame stand in for it.
  QSize frame = frameGeometry().size() - geometry().size();
  if (!isVisible()) {
    const int border = style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    frame = QSize(2 * border, style()->pixelMetric(QStyle::PM_TitleBarHeight) + 2 * border);
  } else {
    size = this->size();
  }
  const QRect free = screen->availableGeometry();
  size = size.boundedTo(free.size() - frame);
  resize(size);
  move(free.x() + (free.width() - size.width() - frame.width()) / 2,
       free.y() + (free.height() - size.height() - frame.height()) / 2);
}

void CMainWindow::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!shown_) {
    shown_ = true;
    FitToScreen();
  }
}

// The handlers' worker and port end while this window can still take their messages.
CMainWindow::~CMainWindow() {
  timer_.stop();
  dlg_.reset();
}

void CMainWindow::ConnectControls() {
  for (const auto& [id, action] : actions_) {
    connect(action, &QAction::triggered, this, [this, id = id] { RunCommand(id); });
  }
  for (const auto& [id, button] : controls_.buttons) {
    connect(button, &QAbstractButton::clicked, this, [this, id = id] { RunCommand(id); });
  }
  connect(controls_.blockTab, &QTabBar::currentChanged, this, [this](int tab) {
    if (!RunExclusive([this, tab] { dlg_->OnTabChange(tab); })) {
      // Refused while a command runs: the tab goes back to the block shown.
      SelectBlockTab(dlg_ && dlg_->TargetChip() ? dlg_->TargetChip()->GetCurrentBlock() : 0);
    }
  });
  for (CSectorListCtrl* list : {controls_.sectorTable, controls_.memoryView}) {
    list->onRowClick = [this](int row) { RunExclusive([this, row] { dlg_->OnListClick(row); }); };
  }
  connect(&timer_, &QTimer::timeout, this, &CMainWindow::Tick);
  connect(&panes_.StopButton(), &QPushButton::clicked, this, &CMainWindow::StopCommand);
  connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &CMainWindow::OnEscape);
  for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
    connect(new QShortcut(key, this), &QShortcut::activated, this, &CMainWindow::OnEnter);
  }
}

// With nothing running, Escape and Enter end the window as they end a dialog; during a
// command Escape stops it and Enter does nothing, so that a key meant for a box that has
// just closed cannot end the window.
void CMainWindow::OnEscape() {
  if (commandRunning_) {
    StopCommand();
  } else {
    close();
  }
}

void CMainWindow::OnEnter() {
  if (!commandRunning_) {
    close();
  }
}

void CMainWindow::StopCommand() {
  if (dlg_ && commandRunning_) {
    dlg_->Link().Stop.Raise();
  }
}

bool CMainWindow::RunCommand(int commandId) {
  if (commandId == IdBlank1 || commandId == IdBlank2 || commandId == IdBlank3) {
    return false;
  }
  if (commandId == IdAbout) {
    ShowAboutBox(this);
    return true;
  }
  return RunExclusive([this, commandId] {
    currentCommand_ = commandId;
    {
      const std::lock_guard lock(tracesMutex_);
      heldTraces_.clear();
    }
    log_->Append(CommandName(commandId));
    results_.Begin(commandId);
    ShowBusy(true);
    RunHandler(commandId);
    ShowBusy(false);
    if (std::string failure; !results_.End(*dlg_, failure)) {
      Inform("cannot write to the results log " + results_.Path() + ": " + failure);
    }
    static constexpr const char* Ends[] = {"Done", "Done with a warning", "Declined", "Failed", "Stopped"};
    log_->Append(CommandName(commandId) + QStringLiteral(": ") +
                 QString::fromLatin1(Ends[static_cast<int>(dlg_->LastOutcome())]));
  });
}

QString CMainWindow::CommandName(int commandId) const {
  if (const auto button = controls_.buttons.find(commandId); button != controls_.buttons.end()) {
    return button->second->text();
  }
  if (commandId == IdResetLink) {
    return QStringLiteral("CLR");
  }
  const QAction* action = CommandAction(commandId);
  return action != nullptr ? action->text().remove(QLatin1Char('&')) : QString::number(commandId);
}

bool CMainWindow::DownloadFile(const std::string& file) {
  droppedFile_ = file;
  const bool ran = RunCommand(IdDownload);
  droppedFile_.clear();
  return ran;
}

void CMainWindow::BuildViewAndRecentMenus() {
  QList<QAction*> menus = menuBar()->actions();
  QMenu* file = menus.front()->menu();
  file->addSeparator();
  recentMenu_ = file->addMenu(QStringLiteral("Recent &Files"));
  recentMenu_->setObjectName(QStringLiteral("recentFiles"));
  ShowRecentFiles();
  // Before Help, which stays last.
  auto* view = new QMenu(QStringLiteral("&View"), this);
  QAction* logEntry = log_->toggleViewAction();
  logEntry->setText(QStringLiteral("&Log"));
  view->addAction(logEntry);
  menuBar()->insertMenu(menus.back(), view);
}

void CMainWindow::ShowRecentFiles() {
  recentMenu_->clear();
  int number = 0;
  for (const std::string& file : recent_.Files()) {
    QAction* entry = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(++number).arg(ToQString(file)));
    connect(entry, &QAction::triggered, this, [this, file] { DownloadFile(file); });
  }
  recentMenu_->setEnabled(number > 0 && !commandRunning_);
}

void CMainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (!commandRunning_ && !DroppedImage(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

// The download runs once the drop is over, so that the desktop's drag ends first.
void CMainWindow::dropEvent(QDropEvent* event) {
  const QString path = DroppedImage(event->mimeData());
  if (path.isEmpty()) {
    return;
  }
  event->acceptProposedAction();
  QTimer::singleShot(0, this, [this, path] { DownloadFile(ToStdString(path)); });
}

void CMainWindow::ShowBusy(bool busy) {
  commandRunning_ = busy;
  for (const auto& [id, action] : actions_) {
    action->setEnabled(!busy && Wanted(id));
  }
  for (const auto& [id, button] : controls_.buttons) {
    button->setEnabled(!busy && Wanted(id));
  }
  controls_.blockTab->setEnabled(!busy);
  recentMenu_->setEnabled(!busy && !recent_.Files().empty());
  panes_.StopButton().setEnabled(busy);
  if (busy) {
    setCursor(Qt::BusyCursor);
  } else {
    unsetCursor();
  }
}

bool CMainWindow::Wanted(int commandId) const {
  const auto found = wanted_.find(commandId);
  return found == wanted_.end() || found->second;
}

bool CMainWindow::RunExclusive(const std::function<void()>& command) {
  if (!dlg_) {
    return false;
  }
  const bool ran = dlg_->RunExclusive(command);
  if (ran && closeWhenIdle_) {
    close();
  }
  return ran;
}

void CMainWindow::RunHandler(int commandId) {
  CMainDlg& dlg = *dlg_;
  switch (commandId) {
    case IdCompare: dlg.OnCompare(); break;
    case IdFileSave: dlg.OnFileSave(); break;
    case IdFilePrint: {
      QtPrintBackEnd printer(this, printerChooser_);
      dlg.OnFilePrint(printer);
      break;
    }
    case IdCommSettings: dlg.OnCommSettings(); break;
    case IdAutoDetect: dlg.OnAutoDetect(); break;
    case IdExternalSelect: dlg.OnExternalSelect(); break;
    case IdChipTypeSelect: dlg.OnChipTypeSelect(); break;
    case IdExecuteUserCode: dlg.OnExecuteUserCode(); break;
    case IdDownload: dlg.OnDownload(); break;
    case IdDownloadAndRun: dlg.OnDownloadAndRun(); break;
    case IdRead: dlg.OnRead(); break;
    case IdSectorErase: dlg.OnSectorErase(); break;
    case IdChipErase: dlg.OnChipErase(); break;
    case IdSetLock: dlg.OnSetLock(); break;
    case IdMemoryRemap: dlg.OnMemoryRemap(); break;
    case IdResetLink: dlg.OnResetLink(); break;
    default: break;
  }
}

void CMainWindow::Tick() {
  RunExclusive([this] { dlg_->OnTimer(); });
}

QAction* CMainWindow::CommandAction(int commandId) const {
  const auto found = actions_.find(commandId);
  return found == actions_.end() ? nullptr : found->second;
}

void CMainWindow::Trace(std::string_view text) {
  if (tracing_) {
    std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
  }
  const std::size_t from = text.find_first_not_of('\n');
  if (from != std::string_view::npos) {
    const std::lock_guard lock(tracesMutex_);
    heldTraces_ += std::string(text.substr(from, text.find_last_not_of('\n') + 1 - from)) + "\n";
  }
}

// A box during a command carries beneath its text what the command traced before it: the
// device and the reason of a port that would not open, say.
Answer CMainWindow::Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) {
  std::string details;
  {
    const std::lock_guard lock(tracesMutex_);
    details.swap(heldTraces_);
  }
  log_->Append(ToQString(text));
  results_.Said(text);
  if (!details.empty()) {
    const QString trimmed = ToQString(details).trimmed();
    log_->Append(trimmed);
    results_.Said(ToStdString(trimmed));
  }
  return boxes_.Ask(text, buttons, defaultAnswer, details);
}

// Waits on the user thread land here: the window paints, the bar moves, and clicks and
// ticks are taken, though CMainDlg refuses to start anything while the command runs.
void CMainWindow::Pump() {
  if (QThread::currentThread() != thread()) {
    return;
  }
  if (sincePump_.isValid() && sincePump_.elapsed() < PumpIntervalMs) {
    return;
  }
  QCoreApplication::processEvents();
  sincePump_.start();
}

bool CMainWindow::RunChipTypeDialog(CChipTypeDlg& dialog) { return RunChipTypeDialogView(this, dialog); }

bool CMainWindow::RunRangeDialog(CRangeDlg& dialog) {
  Remembered& memory = Memory();
  RecallStartAndRange(memory, dialog);
  if (!RunRangeDialogView(this, dialog)) {
    return false;
  }
  memory.start = dialog.StartSelection();
  memory.range = dialog.RangeSelection();
  return true;
}

bool CMainWindow::RunDownloadDialog(CDownloadDlg& dialog) {
  return RunImageFileDialog(dialog, CDownloadDlg::Title, "downloadDialog");
}

bool CMainWindow::RunCompareDialog(CCompareDlg& dialog) {
  return RunImageFileDialog(dialog, CCompareDlg::Title, "compareDialog");
}

// A dropped file, or one chosen from Recent Files, is filled in; otherwise the file and
// start of the last time. An image used goes to the top of Recent Files.
bool CMainWindow::RunImageFileDialog(CImageFileDlg& dialog, std::string_view title, const char* objectName) {
  Remembered& memory = Memory();
  if (!droppedFile_.empty()) {
    dialog.Browse(droppedFile_);
  } else if (!memory.file.empty()) {
    dialog.SetFileName(memory.file);
  }
  if (memory.start >= 0) {
    dialog.SelectStart(memory.start);
  }
  if (!RunImageFileDialogView(this, dialog, title, objectName)) {
    return false;
  }
  memory = {dialog.GetFileName(), dialog.StartSelection(), -1};
  results_.Reads(dialog.GetFileName());
  if (!dialog.GetFileName().empty()) {
    // A store that cannot be written costs only the next start's list.
    [[maybe_unused]] const std::error_code stored = recent_.Add(dialog.GetFileName());
    ShowRecentFiles();
  }
  return true;
}

bool CMainWindow::RunSaveDialog(CSaveDlg& dialog) {
  Remembered& memory = Memory();
  if (dialog.GetFileName().empty()) {
    dialog.SetFileName(memory.file);
  }
  RecallStartAndRange(memory, dialog);
  if (!RunSaveDialogView(this, dialog)) {
    return false;
  }
  memory = {dialog.GetFileName(), dialog.StartSelection(), dialog.RangeSelection()};
  return true;
}

bool CMainWindow::RunLockDialog(CLockDlg& dialog) {
  return RunOptionDialogView(this, dialog, CLockDlg::Title, CLockDlg::GroupTitle);
}

bool CMainWindow::RunRemapDialog(CRemapDlg& dialog) {
  return RunOptionDialogView(this, dialog, CRemapDlg::Title, CRemapDlg::GroupTitle);
}

// The dialog shows the log as it is now, which --log may have chosen; OK keeps the
// switch for the next start.
bool CMainWindow::RunCommConfigDialog(CCommConfigDlg& dialog) {
  ResultsLogChoice choice = StoredResultsLogChoice(dlg_->Paths());
  choice.on = !results_.Path().empty();
  if (choice.on) {
    choice.file = results_.Path();
  }
  if (!RunCommConfigDialogView(this, dialog, choice)) {
    return false;
  }
  ApplyResultsLogChoice(choice);
  return true;
}

void CMainWindow::ApplyResultsLogChoice(const ResultsLogChoice& choice) {
  const std::string failure = choice.on && choice.file.empty()
                                  ? std::string("the results log needs a file")
                                  : SetResultsLog(choice.on ? choice.file : std::optional<std::string>());
  if (!failure.empty()) {
    Inform(failure);
  } else if (const std::error_code error = StoreResultsLogChoice(dlg_->Paths(), choice)) {
    Inform("cannot keep the results log setting: " + error.message());
  }
}

std::string CMainWindow::Title() const { return ToStdString(windowTitle()); }

// The pane's COM slot stands for a real device: the node, the emulated target's pty or a
// network port's URL, named beside it; its adapter is looked up only when it changes.
void CMainWindow::SetPaneTexts(std::string_view clock, std::string_view port, std::string_view baud) {
  std::string shown(port);
  if (dlg_ && dlg_->TargetChip() != nullptr) {
    const std::string device = dlg_->TargetChip()->Device().DevicePath();
    if (device != paneDevice_) {
      paneDevice_ = device;
      panes_.Pane(StatusPanes::PortPane)->setToolTip(ToQString(AdapterDescription(device)));
    }
    shown += ": " + device;
  }
  panes_.SetTexts(clock, shown, baud);
}

void CMainWindow::SetTitle(std::string_view title) { setWindowTitle(ToQString(title)); }

void CMainWindow::ShowChipInfo(const ChipInfo& info) {
  controls_.chipType->setText(ToQString(info.ChipType));
  controls_.flashSize->setText(ToQString(info.FlashSize));
  controls_.reMap->setText(ToQString(info.ReMap));
  controls_.fwVersion->setText(ToQString(info.FwVersion));
  controls_.memMode->setText(ToQString(info.MemMode));
  controls_.iapStatus->setText(ToQString(info.IapStatus));
  securityBar_->SetText(info.Security);
}

void CMainWindow::EnableCommand(int commandId, bool enabled) {
  wanted_[commandId] = enabled;
  if (commandRunning_) {
    return;
  }
  if (QAction* action = CommandAction(commandId)) {
    action->setEnabled(enabled);
  }
  if (const auto button = controls_.buttons.find(commandId); button != controls_.buttons.end()) {
    button->second->setEnabled(enabled);
  }
}

// A command that chooses the block shows it without the tab's own handling, which would
// refill the lists behind the command's back.
void CMainWindow::SelectBlockTab(int block) {
  const QSignalBlocker quiet(controls_.blockTab);
  controls_.blockTab->setCurrentIndex(block);
}

void CMainWindow::SetSectorTable(const std::vector<SectorTableRow>& rows) {
  std::vector<QStringList> texts;
  texts.reserve(rows.size());
  int hot = -1;
  for (const SectorTableRow& row : rows) {
    if (row.Hot) {
      hot = static_cast<int>(texts.size());
    }
    texts.push_back({ToQString(row.Sector), ToQString(row.HexFrom), ToQString(row.HexTo), ToQString(row.DecFrom),
                     ToQString(row.Status)});
  }
  controls_.sectorTable->SetRows(texts);
  if (hot >= 0) {
    controls_.sectorTable->scrollToItem(controls_.sectorTable->topLevelItem(hot), QAbstractItemView::PositionAtTop);
  }
}

void CMainWindow::SetMemoryView(const MemoryView& view) {
  std::vector<QStringList> texts;
  texts.reserve(view.Rows.size());
  for (const MemoryViewRow& row : view.Rows) {
    texts.push_back({ToQString(row.Range), ToQString(row.Memory), ToQString(row.Ascii)});
  }
  controls_.memoryView->headerItem()->setText(0, ToQString(view.Heading));
  controls_.memoryView->SetRows(texts);
}

// A window closed while a command runs asks first, then stops the command and goes once
// it has ended; one closed during a timer tick goes after the tick.
void CMainWindow::closeEvent(QCloseEvent* event) {
  if (dlg_ && dlg_->Busy()) {
    event->ignore();
    if (!commandRunning_) {
      closeWhenIdle_ = true;
    } else if (!askingToQuit_) {
      // The command goes on while the question is up, and may end before it is answered.
      askingToQuit_ = true;
      boxes_.AskYesNoLater(StopAndQuit, [this](bool yes) {
        askingToQuit_ = false;
        if (yes && commandRunning_) {
          closeWhenIdle_ = true;
          StopCommand();
        } else if (yes) {
          close();
        }
      });
    }
    return;
  }
  timer_.stop();
  dlg_.reset();
  panes_.Progress().Clear();
  event->accept();
}

// The toolbar's fly-by texts go to the message pane; with none, it reads "Ready".
bool CMainWindow::event(QEvent* event) {
  if (event->type() == QEvent::StatusTip) {
    const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
    panes_.ShowMessage(tip.isEmpty() ? QStringLiteral("Ready") : tip);
    return true;
  }
  return QMainWindow::event(event);
}

}  // namespace quillon::gui
