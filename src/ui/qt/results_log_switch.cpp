#include <QCheckBox>
#include <QFileDialog>
#include <QVBoxLayout>

#include "ui/qt/dialog_frame.h"
#include "ui/qt/dialog_views.h"
#include "ui/results_recorder.h"

namespace quillon::gui {

// The file is appended to, never replaced, so choosing one that exists asks nothing.
void AddResultsLogSwitch(DialogFrame& frame, ResultsLogChoice& choice) {
  auto* on = new QCheckBox(QStringLiteral("Write a results log"), &frame);
  on->setObjectName(QStringLiteral("resultsLog"));
  on->setChecked(choice.on);
  frame.Content().addWidget(on);
  QObject::connect(on, &QCheckBox::toggled, &frame, [&choice](bool checked) { choice.on = checked; });
  const auto take = [&choice](const std::string& file) { choice.file = file; };
  AddFileRow(
      frame, "Results log file:", choice.file, take,
      [](QWidget* parent) {
        return QFileDialog::getSaveFileName(parent, QString(), QString(),
                                            QStringLiteral("JSON lines (*.jsonl);;All files (*)"), nullptr,
                                            QFileDialog::DontConfirmOverwrite);
      },
      take);
}

}  // namespace quillon::gui
