#include "symbols/dump.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "files/output_file.h"
#include "symbols/entities.h"

namespace qdl {

namespace {

void WriteReport(const std::string& fileName, const std::string& content) {
  OutputFile file;
  if (!file.Create(fileName, true)) {
    ReportFile(kCannotCreateDump, fileName);
    return;
  }
  file.Write(content);
  if (!file.Close()) ReportFile(kDumpWriteError);
}

}  // namespace

void WriteContextDump(const std::string& fileName) {
  std::string content = "Context dump\n";
  if (CurrentContext != nullptr) CurrentContext->PrintEntries(content, 0);
  content += '\n';
  WriteReport(fileName, content);
}

void WriteStatistics(const std::string& fileName) {
  std::string content = "Statistics: count name [index]\n";
  if (Context* context = CurrentContext) {
    // Commands by use, most used first; ties in order of declaration
    // (the list runs newest first, so it is reversed before the sort).
    std::vector<Command*> commands;
    for (context->cursor = context->entries; context->cursor != nullptr;
         context->cursor = context->cursor->nextInContext) {
      if (Command* command = As<Command>(context->cursor)) commands.push_back(command);
    }
    std::reverse(commands.begin(), commands.end());
    std::stable_sort(commands.begin(), commands.end(),
                     [](const Command* a, const Command* b) { return a->useCount > b->useCount; });
    Command* list = nullptr;
    for (auto it = commands.rbegin(); it != commands.rend(); ++it) {
      (*it)->nextInStatistics = list;
      list = *it;
    }
    char count[16];
    for (Command* command = list; command != nullptr; command = command->nextInStatistics) {
      snprintf(count, sizeof count, "%05d", command->useCount);
      content += std::string(count) + " " + command->Name() + " [" + std::to_string(command->code) + "]\n";
    }
  }
  WriteReport(fileName, content);
}

}  // namespace qdl
