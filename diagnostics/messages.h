// Every message the compiler gives: its number, its name in the code, its
// severity and its text.  Numbers 1 and up are about the program, negative
// numbers about reading it (streams, lexical analysis, files, limits); the
// numbers are printed nowhere but are part of the texts' identity, so they
// never change.  Texts are readable Russian here and Windows-1251 when
// printed.
#pragma once

#include <cstdint>

namespace qdl {

enum class Severity { kWarning, kError, kFatal };

// X(number, name, severity, text).  Add a message by adding a row.
#define QDL_MESSAGES(X)                                                                        \
  X(1, kDivisionByZero, kError, "деление на 0")                                                \
  X(2, kRealNotAllowed, kError, "вещественные числа не разрешены")                             \
  X(3, kCharacterNotAllowed, kError, "литеры не разрешены")                                    \
  X(4, kNotANodeType, kError, "это не тип узла:")                                              \
  X(5, kTooManyOperands, kError, "слишком большое число операндов команды")                    \
  X(6, kNameExists, kError, "это имя уже есть:")                                               \
  X(7, kIncludeSyntax, kError, "ошибка оператора: используется")                               \
  X(8, kCommandDeclarationSyntax, kError, "ошибка оператора: команда")                         \
  X(9, kBadOperandSize, kError, "недопустимый размер операнда:")                               \
  X(10, kCodeTooLong, kError, "слишком длинный код")                                           \
  X(11, kNotACommand, kError, "это не команда:")                                               \
  X(12, kOperandCountMismatch, kError, "несоответствующее число операндов")                    \
  X(13, kUnknownName, kError, "неизвестное имя:")                                              \
  X(14, kOperandSizeSyntax, kError, "ошибка задания размера операнда")                         \
  X(15, kReservedCommandCode, kError, "коды 0..1 для команд использовать нельзя:")             \
  X(16, kBadCommandCode, kError, "недопустимый код операции:")                                 \
  X(17, kBadExpressionElement, kError, "недопустимый элемент выражения:")                      \
  X(18, kNotANode, kError, "это не имя узла:")                                                 \
  X(19, kConstantSyntax, kError, "ошибка декларации константы")                                \
  X(20, kTypeSyntax, kError, "ошибка декларации типа")                                         \
  X(21, kNodeSyntax, kError, "ошибка декларации узла")                                         \
  X(22, kStatementSyntax, kError, "ошибка при задании команды")                                \
  X(23, kMissingSemicolon, kError, "нет завершающего символа <;> или ошибка выражения")        \
  X(24, kTypeNotEnded, kError, "декларация типа не завершена оператором <конец>")              \
  X(25, kCannotCreateListing, kWarning, "не могу создать файл листинга:")                      \
  X(26, kCannotCreateDump, kWarning, "не могу создать файл дампа:")                            \
  X(27, kListingWriteError, kWarning, "ошибка записи файла листинга")                          \
  X(28, kDumpWriteError, kWarning, "ошибка записи файла дампа")                                \
  X(29, kStringsTooLong, kError, "слишком большая суммарная длина строк")                      \
  X(30, kStringInExpression, kError, "строковая константа в выражении:")                       \
  X(31, kStringInTypeBody, kError, "строковая константа в теле типа не разрешена:")            \
  X(-1, kTooManyWarnings, kFatal, "слишком много предупреждений")                              \
  X(-2, kTooManyErrors, kFatal, "слишком много ошибок")                                        \
  X(-3, kCompilerError, kError, "ошибка компилятора")                                          \
  X(-4, kAssertionFailed, kFatal, "утверждение не выполняется")                                \
  X(-5, kTokenTooLong, kFatal, "переполнение буфера лексического анализатора")                 \
  X(-6, kReadError, kError, "ошибка чтения входного потока")                                   \
  X(-7, kBadEscape, kFatal, "ошибка задания экранированной литеры")                            \
  X(-8, kBadCharacter, kError, "недопустимый символ")                                          \
  X(-9, kUnterminatedText, kFatal, "незавершенная строковая или символьная константа")         \
  X(-10, kUnterminatedHex, kError, "незавершенная шестнадцатиричная константа 0x")             \
  X(-11, kBadOctal, kError, "ошибка восьмеричной константы")                                   \
  X(-12, kBadReal, kFatal, "ошибка вещественной константы")                                    \
  X(-13, kUnterminatedComment, kWarning, "незавершенный комментарий")                          \
  X(-14, kBadOperator, kFatal, "недопустимая операция")                                        \
  X(-15, kOutOfMemory, kError, "исчерпаны ресурсы оперативной памяти")                         \
  X(-16, kMemoryLost, kError, "потеряны блоки динамической памяти")                            \
  X(-17, kMemoryCorrupted, kError, "нарушена структура памяти")                                \
  X(-18, kBadConstruct, kError, "недопустимая программная конструкция:")                       \
  X(-19, kBadFileName, kError, "недопустимое имя файла:")                                      \
  X(-20, kFileNotFound, kError, "файл не найден:")                                             \
  X(-21, kCannotCreateOutput, kError, "не могу создать выходной файл:")                        \
  X(-22, kOutputWriteError, kError, "ошибка записи выходного файла:")                          \
  X(-23, kIncludesTooDeep, kError, "слишком глубокая вложенность используемых файлов:")        \
  X(-24, kTooManyIncludes, kError, "слишком много используемых файлов:")                       \
  X(-25, kSameFile, kError, "файл совпадает с другим файлом компиляции:")                      \
  X(-26, kBadDelphiUnitName, kError, "недопустимое имя модуля Delphi:")                        \
  X(-27, kBadCommandsExtension, kError, "недопустимое расширение файла команд:")               \
  X(-28, kCommandsNameClash, kError, "совпадение имён в файле команд:")

enum Message : int32_t {
#define QDL_MESSAGE_NAME(number, name, severity, text) name = number,
  QDL_MESSAGES(QDL_MESSAGE_NAME)
#undef QDL_MESSAGE_NAME
};

// The severity a message is always given with.
Severity SeverityOf(Message message);

}  // namespace qdl
