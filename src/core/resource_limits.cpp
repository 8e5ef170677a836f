#include "core/resource_limits.h"

#include "platform/cp932.h"

namespace core {

std::string describeByteCount(std::uint64_t bytes) {
  if (bytes >= (std::uint64_t{1} << 30) && bytes % (std::uint64_t{1} << 30) == 0)
    return std::to_string(bytes >> 30) + " GiB";
  if (bytes >= (std::uint64_t{1} << 20) && bytes % (std::uint64_t{1} << 20) == 0)
    return std::to_string(bytes >> 20) + " MiB";
  return std::to_string(bytes) + " bytes";
}

std::string tooLargeMessage(std::string_view name, std::uint64_t limit) {
  std::string text(name);
  text += platform::jp(" は大きすぎます (上限 ");
  text += describeByteCount(limit);
  text += ')';
  return text;
}

}  // namespace core
