// The two message tables, written in readable Russian and turned into
// Windows-1251 once, on first use.
#include <cstdint>
#include <map>
#include <string>

#include "text/encoding.h"

namespace qdl {

namespace {

struct MessageEntry {
  int32_t number;
  const char* text;  // UTF-8
};

// The compiler's own messages.
const MessageEntry kProgramMessages[] = {
    {1, "деление на 0"},
    {2, "вещественные числа не разрешены"},
    {3, "литеры не разрешены"},
    {4, "это не тип узла:"},
    {5, "слишком большое число операндов команды"},
    {6, "это имя уже есть:"},
    {7, "ошибка оператора: используется"},
    {8, "ошибка оператора: команда"},
    {9, "недопустимый размер операнда:"},
    {10, "слишком длинный код"},
    {11, "это не команда:"},
    {12, "несоответствующее число операндов"},
    {13, "неизвестное имя:"},
    {14, "ошибка задания размера операнда"},
    {15, "коды 0..1 для команд использовать нельзя:"},
    {16, "недопустимый код операции:"},
    {17, "недопустимый элемент выражения:"},
    {18, "это не имя узла:"},
    {19, "ошибка декларации константы"},
    {20, "ошибка декларации типа"},
    {21, "ошибка декларации узла"},
    {22, "ошибка при задании команды"},
    {23, "нет завершающего символа <;> или ошибка выражения"},
    {24, "декларация типа не завершена оператором <конец>"},
    {25, "не могу создать файл листинга:"},
    {26, "не могу создать файл дампа:"},
    {27, "ошибка записи файла листинга"},
    {28, "ошибка записи файла дампа"},
    {29, "слишком большая суммарная длина строк"},
    {30, "строковая константа в выражении:"},
    {31, "строковая константа в теле типа не разрешена:"},
    {0, ""},
};

// The messages of the lexer library (streams, lexical analyzer, limits).
const MessageEntry kLibraryMessages[] = {
    {-1, "слишком много предупреждений"},
    {-2, "слишком много ошибок"},
    {-3, "ошибка компилятора"},
    {-4, "утверждение не выполняется"},
    {-5, "переполнение буфера лексического анализатора"},
    {-6, "ошибка чтения входного потока"},
    {-7, "ошибка задания экранированной литеры"},
    {-8, "недопустимый символ"},
    {-9, "незавершенная строковая или символьная константа"},
    {-10, "незавершенная шестнадцатиричная константа 0x"},
    {-11, "ошибка восьмеричной константы"},
    {-12, "ошибка вещественной константы"},
    {-13, "незавершенный комментарий"},
    {-14, "недопустимая операция"},
    {-15, "исчерпаны ресурсы оперативной памяти"},
    {-16, "потеряны блоки динамической памяти"},
    {-17, "нарушена структура памяти"},
    {-18, "недопустимая программная конструкция:"},
    {-19, "недопустимое имя файла:"},
    {-20, "файл не найден:"},
    {-21, "не могу создать выходной файл:"},
    {-22, "ошибка записи выходного файла:"},
    {-23, "слишком глубокая вложенность используемых файлов:"},
    {-24, "слишком много используемых файлов:"},
    {0, ""},
};

// A table scan stops after this many entries even without an end entry.
constexpr int kMaxTableScan = 1000;

const std::string* FindInTable(const MessageEntry* table, int32_t number) {
  static std::map<const char*, std::string> converted;
  for (int i = 0; i < kMaxTableScan; ++i) {
    const MessageEntry& entry = table[i];
    if (entry.number == number) {
      auto it = converted.find(entry.text);
      if (it == converted.end())
        it = converted.emplace(entry.text, Cp1251FromUtf8(entry.text)).first;
      return &it->second;
    }
    if (entry.number == 0) break;
  }
  return nullptr;
}

}  // namespace

std::string MessageText(int32_t number) {
  const MessageEntry* table = number < 0 ? kLibraryMessages : kProgramMessages;
  if (const std::string* text = FindInTable(table, number)) return *text;
  return "Error number " + std::to_string(number);
}

}  // namespace qdl
