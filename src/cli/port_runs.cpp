#include "cli/port_runs.h"

#include <unistd.h>

#include <algorithm>
#include <iostream>
#include <thread>

#include "cli/cli_operator.h"
#include "cli/held_output.h"
#include "cli/shared_output.h"
#include "sim/emulator.h"
#include "ui/results_log.h"

namespace quillon::cli {

namespace {

// A board whose record is missing has not been accounted for, however it went.
int Record(const BoardReport& report, ResultsLog* log, CliOperator& op) {
  std::string failure;
  if (log != nullptr && !log->Append(ReportJson(report, false), failure)) {
    op.PrintError("cannot write to the log " + log->Path() + ": " + failure);
    return ExitFailed;
  }
  return report.exitStatus;
}

QuestionAnswers::Prompter TerminalPrompter(SharedOutput& shared) {
  return [&shared](std::string_view choices) {
    return shared.Exclusive([&]() -> std::optional<std::string> {
      std::fprintf(stdout, "%.*s for every port: ", static_cast<int>(choices.size()), choices.data());
      std::fflush(stdout);
      std::string reply;
      std::getline(std::cin, reply);
      return reply;
    });
  };
}

// One port of a gang on its own thread; its streams are closed, each last line ended,
// by the time it returns.
int RunGangPort(const RunPlan& plan, const std::string& path, SharedOutput& shared, QuestionAnswers& answers,
                ResultsLog* log, BoardReport& report) {
  const std::string prefix = PortLabel(path) + ": ";
  const bool quiet = plan.options.quiet && !plan.options.json;
  const HeldOutput held;
  const SharedOutput::Stream out =
      plan.options.json || quiet ? SharedOutput::Stream(nullptr, std::fclose) : shared.Prefixed(stdout, prefix);
  const SharedOutput::Stream err = shared.Prefixed(stderr, prefix);
  CliOperator op(answers, plan.options.trace, quiet ? held.Stream() : out.get(), err.get());
  report = RunBoard(plan, path, op);
  if (plan.options.json) {
    shared.Write(stdout, ReportJson(report, true) + "\n");
  }
  if (quiet && report.exitStatus != ExitOk) {
    held.Release(shared.Prefixed(stdout, prefix).get());
  }
  return Record(report, log, op);
}

}  // namespace

int RunOnePort(const RunPlan& plan, const std::optional<std::string>& port, ResultsLog* log) {
  if (!plan.options.json) {
    // A save to stdout leaves it to the data alone; the messages and the bar go aside.
    const auto* save = std::get_if<SaveRequest>(&plan.request);
    std::FILE* shown = save != nullptr && save->descriptor ? stderr : stdout;
    if (!plan.options.quiet) {
      CliOperator op(plan.options.yes, plan.options.trace, shown);
      return Record(RunBoard(plan, port, op), log, op);
    }
    // Quiet: what the run said is shown only if it went wrong.
    const HeldOutput held;
    CliOperator op(plan.options.yes, plan.options.trace, held.Stream());
    const BoardReport report = RunBoard(plan, port, op);
    if (report.exitStatus != ExitOk) {
      held.Release(shown);
    }
    return Record(report, log, op);
  }
  QuestionAnswers answers(plan.options.yes, false, nullptr);
  CliOperator op(answers, plan.options.trace, nullptr, stderr);
  const BoardReport report = RunBoard(plan, port, op);
  std::puts(ReportJson(report, true).c_str());
  std::fflush(stdout);
  return Record(report, log, op);
}

int RunGang(const RunPlan& plan, const std::vector<GangPort>& ports, ResultsLog* log) {
  SharedOutput shared;
  const bool canPrompt = !plan.options.json && ::isatty(STDOUT_FILENO) != 0 && ::isatty(STDIN_FILENO) != 0;
  QuestionAnswers answers(plan.options.yes, true, canPrompt ? TerminalPrompter(shared) : nullptr);
  std::vector<BoardReport> reports(ports.size());
  std::vector<int> statuses(ports.size(), ExitFailed);
  std::vector<std::thread> threads;
  for (std::size_t i = 0; i < ports.size(); ++i) {
    threads.emplace_back([&, i] {
      try {
        const std::string path = ports[i].target != nullptr ? ports[i].target->Start() : ports[i].path;
        statuses[i] = RunGangPort(plan, path, shared, answers, log, reports[i]);
      } catch (const std::exception& error) {
        reports[i].port = ports[i].target != nullptr ? "target " + std::to_string(i + 1) : PortLabel(ports[i].path);
        reports[i].exitStatus = ExitFailed;
        shared.Write(stderr, reports[i].port + ": quillon-cli: " + error.what() + "\n");
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  const bool allOk = std::all_of(statuses.begin(), statuses.end(), [](int status) { return status == ExitOk; });
  if (!plan.options.json && !(plan.options.quiet && allOk)) {
    std::string summary(1, '\n');
    summary += SummaryTable(reports);
    shared.Write(stdout, summary);
  }
  return allOk ? ExitOk : ExitFailed;
}

}  // namespace quillon::cli
