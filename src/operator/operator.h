#pragma once

#include <string_view>

namespace quillon {

enum class Buttons { Ok, OkCancel, YesNo };
enum class Answer { Ok, Cancel, Yes, No };

// Talk with the person at the machine. Every call blocks until the operator has answered,
// and may come from the link worker's thread as well as from the user thread.
class OperatorMessages {
 public:
  virtual ~OperatorMessages() = default;
  virtual void Inform(std::string_view text) = 0;
  virtual Answer Ask(std::string_view text, Buttons buttons, Answer defaultAnswer) = 0;
  // Diagnostics for the engineer, never shown as a message.
  virtual void Trace(std::string_view text) = 0;
  // Called by long waits on the user thread so that a window keeps painting.
  virtual void Pump() {}
};

// The progress bar of a long operation: a range of units, a label, one step per unit.
class OperatorProgress {
 public:
  virtual ~OperatorProgress() = default;
  virtual void ProgressSetRange(int units) = 0;
  virtual void ProgressReset() = 0;
  virtual void ProgressSetText(std::string_view text) = 0;
  virtual void ProgressAdvance() = 0;
  // How many bytes one unit stands for, given before the range: a view that shows the
  // bytes done and their rate needs it, a bar alone does not.
  virtual void ProgressSetUnitBytes(int bytes) { (void)bytes; }

  // A stage of the work starts under its label, and ends under its outcome's. A view
  // that must tell the two apart takes these; a bar alone shows them with the calls above.
  virtual void ProgressStageBegin(int units, int unitBytes, std::string_view label) {
    ProgressSetUnitBytes(unitBytes);
    ProgressSetRange(units);
    ProgressReset();
    ProgressSetText(label);
  }
  virtual void ProgressStageEnd(std::string_view outcome) {
    ProgressReset();
    ProgressSetText(outcome);
  }
};

// All that the operations below the window may say to the person while they work.
class OperatorFeedback : public OperatorMessages, public OperatorProgress {};

}  // namespace quillon
