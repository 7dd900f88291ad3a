// The command line: options, the five file names and their extensions.
#include <cctype>
#include <cstring>

#include "driver/command_line.h"
#include "files/paths.h"
#include "lexer/lexer.h"
#include "text/encoding.h"

namespace qdl {

namespace {

const char kUsage[] =
    "Вызов: qdl[32] [опции] вх_файл [вых_файл]\n"
    "Опции: -fX - выходной формат:\n"
    "             -fb - двоичный\n"
    "             -fa - для Assembler\n"
    "             -fc - для C, C++ [умолчание]\n"
    "             -fd - для Delphi\n"
    "       -LX - выводить листинг в файл X\n"
    "       -DX - выводить дамп в файл X\n"
    "       -SX - выводить статистику команд в файл X\n"
    "       -IX - путь поиска для используемых файлов [inc]\n"
    "       -JX - максимальное число ошибок компиляции [20]\n"
    "       -V  - подробные сообщения компилятора [нет]\n"
    "Расширения файлов по умолчанию:\n"
    "  входной:    qdl\n"
    "  выходной:   bin(-fb), inc(-fa), h(-fc), pas(-fd)\n"
    "  листинг:    lst\n"
    "  дамп:       dmp\n"
    "  статистика: sta\n";

const char kLongOptions[] =
    "Длинные опции:\n"
    "       --help       - эта справка\n"
    "       --version    - только версия компилятора\n"
    "       --commands=X - выводить объявления для хост-программы в файл X:\n"
    "                      h, hh, hpp, hxx - для C, C++; pas - для Delphi;\n"
    "                      inc, asm - для Assembler\n"
    "       --deps=X     - выводить зависимости для make в файл X\n";

// A long option with a file: "--NAME=FILE" with FILE not empty.
bool ReadLongFileOption(const char* argument, const char* name, std::string& file) {
  size_t length = strlen(name);
  if (strncmp(argument, name, length) != 0 || argument[length] != '=' || argument[length + 1] == '\0')
    return false;
  file = argument + length + 1;
  return true;
}

// The name of a report file: the one given (with the default extension
// when it has none), or the input's name with the default extension.
std::string ReportName(const std::string& given, const std::string& input, const char* extension) {
  if (!given.empty()) return WithDefaultExtension(given, extension);
  PathParts parts = SplitPath(input);
  parts.extension = extension;
  return JoinPath(parts);
}

bool ReadOption(const char* argument, Options& options) {
  int letter = tolower(static_cast<unsigned char>(argument[1]));
  const char* value = argument + 2;
  switch (letter) {
    case 'f': {
      const OutputFormat* format = value[0] != '\0' ? FindOutputFormat(static_cast<unsigned char>(value[0])) : nullptr;
      if (format == nullptr) return false;
      options.format = format;
      return true;
    }
    case 'l':
      options.listingOn = true;
      options.listing = value;
      return true;
    case 'd':
      options.dumpOn = true;
      options.dump = value;
      return true;
    case 's':
      options.statisticsOn = true;
      options.statistics = value;
      return true;
    case 'i':
      options.includePath = value;
      return true;
    case 'j':
      options.errorLimit = StrToL32(value, 10);
      return true;
    case 'v':
      options.verbose = true;
      return true;
    default:
      return false;
  }
}

}  // namespace

std::string UsageText() { return Cp1251FromUtf8(kUsage); }
std::string LongOptionsText() { return Cp1251FromUtf8(kLongOptions); }

CommandLineAction ReadCommandLine(int argc, const char* const* argv, Options& options) {
  int names = 0;
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (argument[0] == '-' && argument[1] == '-') {
      if (strcmp(argument, "--help") == 0) return CommandLineAction::kHelp;
      if (strcmp(argument, "--version") == 0) return CommandLineAction::kVersion;
      if (!ReadLongFileOption(argument, "--commands", options.commands) &&
          !ReadLongFileOption(argument, "--deps", options.deps))
        return CommandLineAction::kUsage;
    } else if (argument[0] == '-') {
      if (!ReadOption(argument, options)) return CommandLineAction::kUsage;
    } else if (names == 0) {
      options.input = WithDefaultExtension(argument, ".qdl");
      ++names;
    } else if (names == 1) {
      options.output = WithDefaultExtension(argument, options.format->extension);
      ++names;
    } else {
      return CommandLineAction::kUsage;
    }
  }
  if (names == 0) return CommandLineAction::kUsage;
  if (names == 1) {
    PathParts parts = SplitPath(options.input);
    parts.extension = options.format->extension;
    options.output = JoinPath(parts);
  }
  if (options.listingOn) options.listing = ReportName(options.listing, options.input, ".lst");
  if (options.dumpOn) options.dump = ReportName(options.dump, options.input, ".dmp");
  if (options.statisticsOn) options.statistics = ReportName(options.statistics, options.input, ".sta");
  return CommandLineAction::kCompile;
}

}  // namespace qdl
