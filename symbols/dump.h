// The context dump and the command statistics files.
#pragma once

#include <string>

namespace qdl {

// Every entity of the current context, newest first, members of node
// types indented under them.
void WriteContextDump(const std::string& fileName);
// The commands of the current context by use, most used first, ties in
// order of declaration.
void WriteStatistics(const std::string& fileName);

}  // namespace qdl
