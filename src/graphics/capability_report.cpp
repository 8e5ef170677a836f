// The device's entry in Information.txt: what the device can do, in the layout readers of
// that file know (section lines with one tab, items with two, flags as 0 or 1). The values
// come from GL queries made by initDevice; Direct3D names are kept as the item names.
#include <cstdio>

#include "graphics/device_internal.h"
#include "platform/paths.h"

namespace graphics::detail {
namespace {

void line(std::string& out, const char* fmt, auto... values) {
  char buf[160];
  std::snprintf(buf, sizeof buf, fmt, values...);
  out += buf;
}

void flag(std::string& out, const char* name, bool value) { line(out, "\t\t%s %d\n", name, value ? 1 : 0); }

const char* deviceTypeName(int type) {
  switch (type) {
    case 1: return "D3DDEVTYPE_HAL";
    case 2: return "D3DDEVTYPE_REF";
    case 3: return "D3DDEVTYPE_SW";
    case 4: return "D3DDEVTYPE_NULLREF";
    default: return "D3DDEVTYPE_FORCE_DWORD";
  }
}

}  // namespace

std::string formatCapabilityReport(const Capabilities& c) {
  std::string out;
  out += "CheckDeviceType\n";
  line(out, "\tScreenColor %d\n", c.screenFormat);
  out += "GetDeviceCaps\n";
  line(out, "\tDeviceType %s\n", deviceTypeName(c.deviceType));
  out += "\tCaps\n";
  flag(out, "D3DCAPS_READ_SCANLINE", c.readScanline);
  out += "\tCaps2\n";
  flag(out, "D3DCAPS2_CANMANAGERESOURCE", c.canManageResource);
  flag(out, "D3DCAPS2_DYNAMICTEXTURES", c.dynamicTextures);
  out += "\tCaps3\n";
  flag(out, "D3DCAPS3_ALPHA_FULLSCREEN_FLIP_OR_DISCARD", c.alphaFullscreenFlipOrDiscard);
  flag(out, "D3DCAPS3_COPY_TO_VIDMEM", c.copyToVidmem);
  flag(out, "D3DCAPS3_COPY_TO_SYSTEMMEM", c.copyToSystemmem);
  out += "\tPresentationIntervals\n";
  flag(out, "D3DPRESENT_INTERVAL_IMMEDIATE", c.intervalImmediate);
  flag(out, "D3DPRESENT_INTERVAL_ONE", c.intervalOne);
  out += "\tDevCaps\n";
  flag(out, "D3DDEVCAPS_DRAWPRIMTLVERTEX", c.drawPrimTlVertex);
  flag(out, "D3DDEVCAPS_HWTRANSFORMANDLIGHT", c.hwTransformAndLight);
  flag(out, "D3DDEVCAPS_PUREDEVICE", c.pureDevice);
  flag(out, "D3DDEVCAPS_TEXTURENONLOCALVIDMEM", c.textureNonLocalVidmem);
  out += "\tPrimitiveMiscCaps\n";
  flag(out, "D3DPMISCCAPS_BLENDOP", c.blendOp);
  flag(out, "D3DPMISCCAPS_SEPARATEALPHABLEND", c.separateAlphaBlend);
  out += "\tTextureCaps\n";
  flag(out, "D3DPTEXTURECAPS_ALPHA", c.textureAlpha);
  flag(out, "D3DPTEXTURECAPS_MIPMAP", c.textureMipmap);
  flag(out, "D3DPTEXTURECAPS_POW2", c.pow2);
  flag(out, "D3DPTEXTURECAPS_SQUAREONLY", c.squareOnly);
  out += "\tTextureFilterCaps\n";
  flag(out, "D3DPTFILTERCAPS_MAGFPOINT", c.filterMagPoint);
  flag(out, "D3DPTFILTERCAPS_MINFPOINT", c.filterMinPoint);
  flag(out, "D3DPTFILTERCAPS_MIPFPOINT", c.filterMipPoint);
  flag(out, "D3DPTFILTERCAPS_MAGFLINEAR", c.filterMagLinear);
  flag(out, "D3DPTFILTERCAPS_MINFLINEAR", c.filterMinLinear);
  flag(out, "D3DPTFILTERCAPS_MIPFLINEAR", c.filterMipLinear);
  out += "\tTextureAddressCaps\n";
  flag(out, "D3DPTADDRESSCAPS_MIRROR", c.addressMirror);
  flag(out, "D3DPTADDRESSCAPS_CLAMP", c.addressClamp);
  flag(out, "D3DPTADDRESSCAPS_MIRRORONCE", c.addressMirrorOnce);
  line(out, "\tMaxTextureWidth %d\n\tMaxTextureHeight %d\n", c.maxTextureWidth, c.maxTextureHeight);
  line(out, "\tMaxTextureRepeat %d\n", c.maxTextureRepeat);
  out += "\tTextureOpCaps\n";
  flag(out, "D3DTEXOPCAPS_BLENDCURRENTALPHA", c.opBlendCurrentAlpha);
  flag(out, "D3DTEXOPCAPS_DISABLE", c.opDisable);
  flag(out, "D3DTEXOPCAPS_SELECTARG1", c.opSelectArg1);
  flag(out, "D3DTEXOPCAPS_ADD", c.opAdd);
  flag(out, "D3DTEXOPCAPS_SUBTRACT", c.opSubtract);
  flag(out, "D3DTEXOPCAPS_MODULATE", c.opModulate);
  line(out, "\tMaxTextureBlendStages %d\n", c.maxTextureBlendStages);
  line(out, "\tMaxSimultaneousTextures %d\n", c.maxSimultaneousTextures);
  line(out, "\tVertexShaderVersion %d.%d\n", c.vertexShaderMajor, c.vertexShaderMinor);
  line(out, "\tMaxVertexShaderConst %d\n", c.maxVertexShaderConst);
  line(out, "\tPixelShaderVersion %d.%d\n", c.pixelShaderMajor, c.pixelShaderMinor);
  line(out, "\tPixelShader1xMaxValue %g\n", c.pixelShader1xMaxValue);
  line(out, "\tNumSimultaneousRTs %d\n", c.numSimultaneousRts);
  out += "\tStretchRectFilterCaps\n";
  flag(out, "D3DPTFILTERCAPS_MINFPOINT", c.stretchMinPoint);
  flag(out, "D3DPTFILTERCAPS_MAGFPOINT", c.stretchMagPoint);
  flag(out, "D3DPTFILTERCAPS_MINFLINEAR", c.stretchMinLinear);
  flag(out, "D3DPTFILTERCAPS_MAGFLINEAR", c.stretchMagLinear);
  line(out, "\tVertexTextureFilterCaps %d\n", c.vertexTextureFilter ? 1 : 0);
  return out;
}

void appendInformation(const std::string& text) {
  std::FILE* f = std::fopen(platform::writableGamePath("Information.txt").c_str(), "ab");
  if (!f) return;
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

}  // namespace graphics::detail
