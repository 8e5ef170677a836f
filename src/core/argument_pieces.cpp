#include "core/argument_pieces.h"

#include "core/statements.h"

namespace core {

std::vector<std::string_view> argumentPieces(std::string_view args) {
  if (trimBlank(args, 0, static_cast<std::ptrdiff_t>(args.size()) - 1).empty()) return {};
  return splitOutsideQuotes(args, ',');
}

}  // namespace core
