#include "text/backlog.h"

namespace text {
namespace {
BacklogPage current;
}
BacklogPage& currentBacklogPage() { return current; }
}  // namespace text
