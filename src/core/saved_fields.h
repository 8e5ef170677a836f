// The fields of a record that a save game keeps, in the order the save text writes them. The
// subsystem that owns a record keeps its table next to the record; the save text's writer and
// reader (saves/) walk the same table, so a new saved field is one line in its owner's table.
// A capture or restore of a record needs no file: the same records serve in-memory snapshots.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <type_traits>
#include <variant>

namespace core {

// How a value is spelled in the save text. Reading goes by the member's type: whole numbers
// are truncated, 32-bit patterns keep their low 32 bits, reals are kept within a float's reach.
enum class FieldKind : std::uint8_t {
  Decimal,   // "%d"; a 32-bit pattern written signed
  Hex,       // "0x%X"
  LowerHex,  // "0x%x"
  Text,      // between double quotes, escaped so that every byte reads back
  Real,      // "%g"
  Whole,     // a real written as the whole number it holds
  Sample,    // a 64-bit sample position: "%d", read back only when a double holds it
};

template <class Record>
struct SavedField {
  using Member = std::variant<std::int32_t Record::*, std::uint32_t Record::*, std::int64_t Record::*, std::string Record::*,
                              double Record::*, std::array<std::int32_t, 32> Record::*,
                              std::array<std::uint32_t, 4> Record::*>;
  const char* name;
  Member member;
  FieldKind kind;
  const char* before = ",";  // written before the field (each element of a list), not before the first
};

// Values a record takes in the save text: list members count their elements.
template <class Record>
constexpr int savedValueCount(std::span<const SavedField<Record>> fields) {
  int n = 0;
  for (const SavedField<Record>& f : fields) {
    n += std::visit(
        [](auto member) {
          using T = std::remove_cvref_t<decltype(std::declval<Record&>().*member)>;
          if constexpr (requires { std::tuple_size<T>::value; }) return static_cast<int>(std::tuple_size<T>::value);
          else return 1;
        },
        f.member);
  }
  return n;
}

}  // namespace core
