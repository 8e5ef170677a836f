#include "core/arguments.h"

#include "core/statements.h"
#include "core/command_registry.h"
#include "core/command_support.h"
#include "core/error_report.h"
#include "platform/cp932.h"

namespace core {
namespace {

const std::string kNoText;
const ScriptValue kNoValue;

// The kind check of one value argument; omittable items accept an empty piece.
bool valueFits(const SignatureItem& item, const ScriptValue& v, std::size_t i) {
  if (item.omittable && v.isOmitted()) return true;
  const bool fits = item.kind == ArgumentKind::Number ? v.isNumber() : v.isString();
  if (!fits) {
    reportArgumentFault(item.kind == ArgumentKind::Number ? ArgumentFault::NotNumber : ArgumentFault::NotString,
                        static_cast<int>(i) + 1);
  }
  return fits;
}

// Resolves one piece for its item into `arg`: evaluated for a value, looked up for a variable.
bool readPiece(const SignatureItem& item, std::string_view piece, std::size_t i, Argument& arg) {
  arg = Argument{};
  // Read one at a time, an item that may be omitted is so only when its piece is empty: an
  // expression that fails is still a fault of its argument.
  if (item.omittable && piece.empty()) return true;
  if (item.kind == ArgumentKind::Target) {
    arg.piece = piece;
    return true;
  }
  if (isValueKind(item.kind)) {
    arg.value = evaluateExpression(piece);
    return valueFits({item.kind}, arg.value, i);
  }
  if (item.kind == ArgumentKind::NumberVariable) {
    arg.numberVariable = numberVariableRef(piece);
    if (!arg.numberVariable) reportArgumentFault(ArgumentFault::BadNumberVariable, static_cast<int>(i) + 1);
    return arg.numberVariable != nullptr;
  }
  arg.stringVariable = stringVariableRef(piece);
  if (!arg.stringVariable) reportArgumentFault(ArgumentFault::BadStringVariable, static_cast<int>(i) + 1);
  return arg.stringVariable != nullptr;
}

bool countFits(const Signature& sig, std::size_t count) {
  if (count >= sig.min && count <= sig.max) return true;
  reportCommandError(platform::jp("引数の数が不正です"));
  return false;
}

bool readValues(const CommandEntry& entry, const Signature& sig, std::string_view text, Arguments& out) {
  static std::vector<ScriptValue> values;
  evaluateArguments(text, values);
  if (!countFits(sig, values.size())) return false;
  out.list.resize(values.size());
  for (std::size_t i = 0; i < values.size(); ++i) {
    out.list[i] = Argument{};
    out.list[i].value = std::move(values[i]);
  }
  for (std::size_t i = 0; i < out.list.size(); ++i) {
    if (!valueFits(sig.item(i), out.list[i].value, i)) return false;
    if (entry.rule && !entry.rule(i, out.list[i])) return false;
  }
  return true;
}

bool readInTurn(const CommandEntry& entry, const Signature& sig, std::string_view text, Arguments& out) {
  // Reading runs no command, so one list of pieces serves every depth.
  static std::vector<std::string_view> pieces;
  pieces.clear();
  if (!trimBlank(text, 0, static_cast<std::ptrdiff_t>(text.size()) - 1).empty()) splitOutsideQuotes(text, ',', pieces);
  if (!countFits(sig, pieces.size())) return false;
  out.list.resize(pieces.size());
  for (std::size_t i = 0; i < pieces.size(); ++i) {
    if (!readPiece(sig.item(i), pieces[i], i, out.list[i])) return false;
    if (entry.rule && !entry.rule(i, out.list[i])) return false;
  }
  return true;
}

}  // namespace

const std::string& Arguments::string(std::size_t i) const {
  return given(i) && list[i].value.isString() ? list[i].value.text : kNoText;
}

const ScriptValue& Arguments::value(std::size_t i) const { return i < list.size() ? list[i].value : kNoValue; }

bool readArgumentsLate(const Arguments& call, Arguments& out) {
  out.text = call.text;
  out.list.clear();
  const CommandEntry* entry = currentCommand();
  const Signature* sig = entrySignature(entry);
  return !sig || readValues(*entry, *sig, call.text, out);
}

bool readArguments(const CommandEntry& entry, std::string_view text, Arguments& out) {
  out.text = text;
  out.list.clear();
  const Signature* sig = entrySignature(&entry);
  if (!sig || entry.reading == ArgumentReading::ByHandler) return true;
  switch (entry.reading) {
    case ArgumentReading::Values: return readValues(entry, *sig, text, out);
    case ArgumentReading::InTurn: return readInTurn(entry, *sig, text, out);
    case ArgumentReading::Whole: {
      if (sig->count == 0) return true;
      out.list.resize(1);
      return readPiece(sig->items[0], text, 0, out.list[0]) && (!entry.rule || entry.rule(0, out.list[0]));
    }
    case ArgumentReading::ByHandler: break;
  }
  return true;
}

}  // namespace core
