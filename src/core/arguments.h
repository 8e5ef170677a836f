// The arguments a handler receives, read from the statement's text and checked against the
// command's signature before the handler runs.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/expression.h"

namespace core {

struct CommandEntry;

struct Argument {
  ScriptValue value;                      // a value argument; kind Failed when omitted
  std::int32_t* numberVariable = nullptr; // a result argument, resolved
  std::string* stringVariable = nullptr;
  std::string_view piece;                 // a target's text (T), as written
};

struct Arguments {
  std::string_view text;        // the argument text as written
  std::vector<Argument> list;   // the written arguments, in order

  std::size_t size() const { return list.size(); }
  // Written and not omitted.
  bool given(std::size_t i) const {
    return i < list.size() && (!list[i].value.isOmitted() || list[i].numberVariable || list[i].stringVariable);
  }
  // A number argument truncated toward zero; `fallback` when it is not given.
  std::int32_t number(std::size_t i, std::int32_t fallback = 0) const {
    return given(i) && list[i].value.isNumber() ? list[i].value.toInt() : fallback;
  }
  // A string argument; empty when it is not given.
  const std::string& string(std::size_t i) const;
  const ScriptValue& value(std::size_t i) const;
  // Result arguments the signature resolved (N and S items that were written).
  std::int32_t& numberVariable(std::size_t i) const { return *list[i].numberVariable; }
  std::string& stringVariable(std::size_t i) const { return *list[i].stringVariable; }
};

// Reads `text` as the entry's signature and reading ask into `out`; false after reporting
// the first fault with the generic message of its argument.
bool readArguments(const CommandEntry& entry, std::string_view text, Arguments& out);

// For a command read by its handler that checks its signature only after a test of its own
// (a quake while effects are skipped, a screenshot save with no screenshot): the running
// command's values read from `call.text` as the dispatcher reads them.
bool readArgumentsLate(const Arguments& call, Arguments& out);

}  // namespace core
