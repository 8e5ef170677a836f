// Fixed tables of the device: the names of device results used in every failure message,
// the mapping from GL errors to those names, and the rule transitions' threshold table.
#include <array>
#include <cstdio>
#include <mutex>
#include <vector>

#include "graphics/device_internal.h"

namespace graphics {
namespace {

struct NamedCode {
  std::uint32_t code;
  const char* name;
};

constexpr NamedCode kNamedCodes[] = {
    {0x00000000, "D3D_OK"},
    {0x0876086F, "D3DOK_NOAUTOGEN"},
    {0x8007000E, "E_OUTOFMEMORY"},
    {0x8876017C, "D3DERR_OUTOFVIDEOMEMORY"},
    {0x8876021C, "D3DERR_WASSTILLDRAWING"},
    {0x88760818, "D3DERR_WRONGTEXTUREFORMAT"},
    {0x88760819, "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {0x8876081A, "D3DERR_UNSUPPORTEDCOLORARG"},
    {0x8876081B, "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {0x8876081C, "D3DERR_UNSUPPORTEDALPHAARG"},
    {0x8876081D, "D3DERR_TOOMANYOPERATIONS"},
    {0x8876081E, "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {0x8876081F, "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {0x88760821, "D3DERR_CONFLICTINGRENDERSTATE"},
    {0x88760822, "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {0x88760826, "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {0x88760827, "D3DERR_DRIVERINTERNALERROR"},
    {0x88760866, "D3DERR_NOTFOUND"},
    {0x88760867, "D3DERR_MOREDATA"},
    {0x88760868, "D3DERR_DEVICELOST"},
    {0x88760869, "D3DERR_DEVICENOTRESET"},
    {0x8876086A, "D3DERR_NOTAVAILABLE"},
    {0x8876086B, "D3DERR_INVALIDDEVICE"},
    {0x8876086C, "D3DERR_INVALIDCALL"},
    {0x8876086D, "D3DERR_DRIVERINVALIDCALL"},
};

constexpr int kRuleRows = 513;
constexpr int kRuleColumns = 1024;

struct RuleTable {
  std::vector<std::uint8_t> cells;  // kRuleRows x kRuleColumns
  std::once_flag built;
} ruleTable;

void buildRuleTable() {
  ruleTable.cells.assign(static_cast<std::size_t>(kRuleRows) * kRuleColumns, 255);
  for (int c = 1; c < kRuleRows; ++c) {
    std::uint8_t* row = ruleTable.cells.data() + static_cast<std::size_t>(c) * kRuleColumns;
    for (int k = 0; k < kRuleColumns; ++k) {
      int q = (255 * k - 65025) / c;  // truncates toward zero, as the thresholds were defined
      row[k] = q > 254 ? 255 : q < 1 ? 0 : static_cast<std::uint8_t>(q);
    }
  }
}

}  // namespace

std::string d3dErrorName(std::uint32_t code) {
  for (const NamedCode& n : kNamedCodes)
    if (n.code == code) return n.name;
  return "D3DERR_NOTFAUND " + std::to_string(code & 0xFF);
}

const std::uint8_t* ruleThresholdRow(int c) {
  std::call_once(ruleTable.built, buildRuleTable);
  if (c < 0) c = 0;
  if (c >= kRuleRows) c = kRuleRows - 1;
  return ruleTable.cells.data() + static_cast<std::size_t>(c) * kRuleColumns;
}

namespace detail {

std::uint32_t d3dCodeFromGlError(unsigned glError) {
  switch (glError) {
    case 0: return kD3dOk;                          // GL_NO_ERROR
    case 0x0505: return kEOutOfMemory;              // GL_OUT_OF_MEMORY
    case 0x0507: return kD3dErrDeviceLost;          // GL_CONTEXT_LOST
    case 0x0500:                                    // GL_INVALID_ENUM
    case 0x0501:                                    // GL_INVALID_VALUE
    case 0x0502:                                    // GL_INVALID_OPERATION
    case 0x0506: return kD3dErrInvalidCall;         // GL_INVALID_FRAMEBUFFER_OPERATION
    case 0x8CD6:                                    // GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT
    case 0x8CD7:                                    // GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT
    case 0x8CDD: return kD3dErrNotAvailable;        // GL_FRAMEBUFFER_UNSUPPORTED
    default: return kD3dErrDriverInternalError;
  }
}

std::string failureText(const char* prefix, std::uint32_t code) { return prefix + d3dErrorName(code); }

}  // namespace detail
}  // namespace graphics
