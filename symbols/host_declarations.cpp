#include "symbols/host_declarations.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "diagnostics/diagnostics.h"
#include "files/paths.h"
#include "symbols/entities.h"
#include "text/encoding.h"

namespace qdl {

namespace {

// The Latin spelling of the Cyrillic capitals А to Я (bytes C0 to DF);
// the small letters (E0 to FF) are spelt the same in lower case.
const char* const kCyrillicSpelling[32] = {
    "A", "B", "V", "G",  "D",  "E", "Zh", "Z", "I",    "Y", "K", "L", "M", "N",  "O",  "P",
    "R", "S", "T", "U",  "F",  "Kh", "Ts", "Ch", "Sh", "Shch", "", "Y", "", "E", "Yu", "Ya",
};

// One declared value: its macro name without "QDL_", and the source
// name it comes from as messages show it ("Type.Name" for a member).
struct HostValue {
  std::string identifier;
  int32_t value;
  const Identifier* entity;
  std::string sourceName;
};

struct Declarations {
  std::vector<HostValue> values;
  std::vector<const Command*> commands;  // in declaration order
  std::vector<std::string> commandTypes;  // the type's name, or empty
};

// The entries of `context` in declaration order, each name once.
std::vector<Identifier*> EntriesInOrder(Context* context) {
  std::vector<Identifier*> entries;
  for (Identifier* entry = context->entries; entry != nullptr; entry = entry->nextInContext)
    if (context->FindLocal(entry->Key()) == entry) entries.push_back(entry);
  std::reverse(entries.begin(), entries.end());
  return entries;
}

// Collects the entities of `context`; members of a type carry the type's
// name before theirs.
void Collect(Context* context, const std::string& prefix, const std::string& typeName,
             Declarations& out) {
  for (Identifier* entry : EntriesInOrder(context)) {
    std::string name = prefix + TransliteratedName(entry->Name());
    std::string sourceName = typeName.empty() ? entry->Name() : typeName + "." + entry->Name();
    if (Command* command = As<Command>(entry)) {
      out.values.push_back({"CMD_" + name, command->code, entry, sourceName});
      out.values.push_back({"CMD_" + name + "_OPERANDS", command->operandCount, entry, sourceName});
      out.commands.push_back(command);
      out.commandTypes.push_back(typeName);
    } else if (Constant* constant = As<Constant>(entry)) {
      out.values.push_back({"CONST_" + name, constant->value, entry, sourceName});
    } else if (Node* node = As<Node>(entry)) {
      out.values.push_back({"NODE_" + name, node->number, entry, sourceName});
    } else if (Label* label = As<Label>(entry)) {
      out.values.push_back({"LABEL_" + name, label->address, entry, sourceName});
    } else if (NodeType* type = As<NodeType>(entry)) {
      if (type->members != nullptr) Collect(type->members, name + "_", sourceName, out);
    }
  }
}

// Reports every entity whose identifier another one already gave, once
// per entity.  Pascal does not tell letter cases apart.
bool CheckClashes(const Declarations& declarations, bool ignoreCase) {
  std::unordered_map<std::string, const HostValue*> seen;
  const Identifier* reported = nullptr;
  bool clean = true;
  for (const HostValue& value : declarations.values) {
    std::string key = value.identifier;
    if (ignoreCase)
      for (char& c : key) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    auto inserted = seen.emplace(key, &value);
    if (inserted.second || value.entity == reported) continue;
    Report(kCommandsNameClash, inserted.first->second->sourceName + ", " + value.sourceName);
    reported = value.entity;
    clean = false;
  }
  return clean;
}

std::string Number(int32_t value) {
  // The most negative value has no literal of its own in C.
  if (value == INT32_MIN) return "(-2147483647 - 1)";
  if (value < 0) return "(" + std::to_string(value) + ")";
  return std::to_string(value);
}

// A C string literal of the name in UTF-8; bytes beyond ASCII as octal
// escapes, so that every compiler reads the same bytes.
std::string CString(const std::string& name) {
  std::string out = "\"";
  for (unsigned char c : Utf8FromCp1251(name)) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += '\\';
      out += static_cast<char>('0' + (c >> 6));
      out += static_cast<char>('0' + ((c >> 3) & 7));
      out += static_cast<char>('0' + (c & 7));
    }
  }
  return out + "\"";
}

std::string IncludeGuard(const std::string& fileName) {
  PathParts parts = SplitPath(fileName);
  std::string guard = "QDL_GUARD_";
  for (unsigned char c : parts.base + parts.extension)
    guard += isalnum(c) && c < 0x80 ? static_cast<char>(toupper(c)) : '_';
  return guard;
}

std::string MakeC(const Declarations& declarations, const std::string& fileName, int32_t imageSize) {
  std::string guard = IncludeGuard(fileName);
  std::string out = "/* The declarations of a program compiled by qdl, for its host. */\n";
  out += "#ifndef " + guard + "\n#define " + guard + "\n\n#include <stddef.h>\n\n";
  for (const HostValue& value : declarations.values)
    out += "#define QDL_" + value.identifier + " " + Number(value.value) + "\n";
  out += "#define QDL_IMAGE_SIZE " + Number(imageSize) + "\n";
  out += "#define QDL_COMMAND_COUNT " + std::to_string(declarations.commands.size()) + "\n\n";
  out +=
      "#ifndef QDL_COMMAND_STRUCT\n"
      "#define QDL_COMMAND_STRUCT\n"
      "struct qdl_command {\n"
      "  const char *name;\n"
      "  unsigned char code;\n"
      "  unsigned char operand_count;\n"
      "  unsigned char operand_sizes[10];\n"
      "  const char *type; /* NULL for a global command */\n"
      "};\n"
      "#endif\n\n"
      "/* Every command in declaration order; a row with a NULL name follows. */\n"
      "static const struct qdl_command qdl_commands[QDL_COMMAND_COUNT + 1] = {\n";
  for (size_t i = 0; i < declarations.commands.size(); ++i) {
    const Command* command = declarations.commands[i];
    const std::string& type = declarations.commandTypes[i];
    out += "  {" + CString(command->Name()) + ", " + std::to_string(command->code) + ", " +
           std::to_string(command->operandCount) + ", {";
    for (int32_t k = 0; k < kMaxOperands; ++k)
      out += (k == 0 ? "" : ", ") + std::to_string(command->operandSizes[k]);
    out += "}, " + (type.empty() ? std::string("NULL") : CString(type)) + "},\n";
  }
  return out + "  {NULL, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0}, NULL}\n};\n\n#endif\n";
}

std::string MakePascal(const Declarations& declarations, const std::string& fileName, int32_t imageSize) {
  std::string out = "unit " + SplitPath(fileName).base + ";\n";
  out += "{ The declarations of a program compiled by qdl, for its host. }\ninterface\nconst\n";
  for (const HostValue& value : declarations.values)
    out += "  QDL_" + value.identifier + " = " + std::to_string(value.value) + ";\n";
  out += "  QDL_IMAGE_SIZE = " + std::to_string(imageSize) + ";\n";
  out += "  QDL_COMMAND_COUNT = " + std::to_string(declarations.commands.size()) + ";\n";
  return out + "implementation\nend.\n";
}

std::string MakeAssembler(const Declarations& declarations, int32_t imageSize) {
  std::string out = "; The declarations of a program compiled by qdl, for its host.\n";
  for (const HostValue& value : declarations.values)
    out += "QDL_" + value.identifier + " equ " + std::to_string(value.value) + "\n";
  out += "QDL_IMAGE_SIZE equ " + std::to_string(imageSize) + "\n";
  out += "QDL_COMMAND_COUNT equ " + std::to_string(declarations.commands.size()) + "\n";
  return out;
}

}  // namespace

bool HostLanguageOf(const std::string& fileName, HostLanguage& language) {
  static const struct {
    const char* extension;
    HostLanguage language;
  } kExtensions[] = {
      {".h", HostLanguage::kC},          {".hh", HostLanguage::kC},
      {".hpp", HostLanguage::kC},        {".hxx", HostLanguage::kC},
      {".pas", HostLanguage::kPascal},   {".inc", HostLanguage::kAssembler},
      {".asm", HostLanguage::kAssembler},
  };
  std::string extension = SplitPath(fileName).extension;
  for (const auto& row : kExtensions) {
    if (extension == row.extension) {
      language = row.language;
      return true;
    }
  }
  return false;
}

std::string TransliteratedName(const std::string& name) {
  std::string out;
  for (unsigned char c : name) {
    if (c < 0x80) {
      if (isalnum(c) || c == '_') out += static_cast<char>(c);
    } else if (c >= 0xC0 && c <= 0xDF) {
      out += kCyrillicSpelling[c - 0xC0];
    } else if (c >= 0xE0) {
      for (const char* p = kCyrillicSpelling[c - 0xE0]; *p != '\0'; ++p)
        out += static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    }
  }
  return out;
}

bool MakeHostDeclarations(HostLanguage language, const std::string& fileName, int32_t imageSize,
                          std::string& content) {
  Declarations declarations;
  if (CurrentContext != nullptr) Collect(CurrentContext, "", "", declarations);
  if (!CheckClashes(declarations, language == HostLanguage::kPascal)) return false;
  switch (language) {
    case HostLanguage::kC:
      content = MakeC(declarations, fileName, imageSize);
      break;
    case HostLanguage::kPascal:
      content = MakePascal(declarations, fileName, imageSize);
      break;
    case HostLanguage::kAssembler:
      content = MakeAssembler(declarations, imageSize);
      break;
  }
  return true;
}

}  // namespace qdl
