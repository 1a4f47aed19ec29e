// The platform's names for the numbers in the call trace (see trace_names.h), for Direct3D 9, D3DX 9,
// DirectInput 8 and Win32: one table per enumeration or set of flags, made from the platform headers' own
// constants (NAME(D3DRS_ZENABLE) is the pair {7, "D3DRS_ZENABLE"}), and the calls whose integer arguments
// take those names. The tables hold the values the program passes and the system sends it, so that the
// program's trace reads as its source does; any other value prints as its number.
#include "trace/trace_names.h"

#include <d3dx9.h>
#include <dinput.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <span>

namespace platform::trace::names {
namespace {

struct Name {
    std::uint32_t value;
    const char* name;
};
#define NAME(constant)                                                                                       \
    Name {                                                                                                   \
        static_cast<std::uint32_t>(constant), #constant                                                      \
    }

// The enumerations of NamedEnumerations.
constexpr Name kDeviceTypes[] = {NAME(D3DDEVTYPE_HAL)};
constexpr Name kFormats[] = {NAME(D3DFMT_X8R8G8B8), NAME(D3DFMT_D16), NAME(D3DFMT_INDEX16)};
constexpr Name kMultiSampleTypes[] = {NAME(D3DMULTISAMPLE_NONE)};
constexpr Name kSwapEffects[] = {NAME(D3DSWAPEFFECT_DISCARD)};
constexpr Name kPools[] = {NAME(D3DPOOL_MANAGED)};
// Every state's name, so that a notice of an unimplemented value names its state.
// clang-format off
constexpr Name kRenderStates[] = {
    NAME(D3DRS_ZENABLE), NAME(D3DRS_FILLMODE), NAME(D3DRS_SHADEMODE), NAME(D3DRS_ZWRITEENABLE),
    NAME(D3DRS_ALPHATESTENABLE), NAME(D3DRS_LASTPIXEL), NAME(D3DRS_SRCBLEND), NAME(D3DRS_DESTBLEND),
    NAME(D3DRS_CULLMODE), NAME(D3DRS_ZFUNC), NAME(D3DRS_ALPHAREF), NAME(D3DRS_ALPHAFUNC),
    NAME(D3DRS_DITHERENABLE), NAME(D3DRS_ALPHABLENDENABLE), NAME(D3DRS_FOGENABLE), NAME(D3DRS_SPECULARENABLE),
    NAME(D3DRS_FOGCOLOR), NAME(D3DRS_FOGTABLEMODE), NAME(D3DRS_FOGSTART), NAME(D3DRS_FOGEND),
    NAME(D3DRS_FOGDENSITY), NAME(D3DRS_RANGEFOGENABLE), NAME(D3DRS_STENCILENABLE), NAME(D3DRS_STENCILFAIL),
    NAME(D3DRS_STENCILZFAIL), NAME(D3DRS_STENCILPASS), NAME(D3DRS_STENCILFUNC), NAME(D3DRS_STENCILREF),
    NAME(D3DRS_STENCILMASK), NAME(D3DRS_STENCILWRITEMASK), NAME(D3DRS_TEXTUREFACTOR), NAME(D3DRS_WRAP0),
    NAME(D3DRS_WRAP1), NAME(D3DRS_WRAP2), NAME(D3DRS_WRAP3), NAME(D3DRS_WRAP4), NAME(D3DRS_WRAP5),
    NAME(D3DRS_WRAP6), NAME(D3DRS_WRAP7), NAME(D3DRS_CLIPPING), NAME(D3DRS_LIGHTING), NAME(D3DRS_AMBIENT),
    NAME(D3DRS_FOGVERTEXMODE), NAME(D3DRS_COLORVERTEX), NAME(D3DRS_LOCALVIEWER), NAME(D3DRS_NORMALIZENORMALS),
    NAME(D3DRS_DIFFUSEMATERIALSOURCE), NAME(D3DRS_SPECULARMATERIALSOURCE), NAME(D3DRS_AMBIENTMATERIALSOURCE),
    NAME(D3DRS_EMISSIVEMATERIALSOURCE), NAME(D3DRS_VERTEXBLEND), NAME(D3DRS_CLIPPLANEENABLE),
    NAME(D3DRS_POINTSIZE), NAME(D3DRS_POINTSIZE_MIN), NAME(D3DRS_POINTSPRITEENABLE), NAME(D3DRS_POINTSCALEENABLE),
    NAME(D3DRS_POINTSCALE_A), NAME(D3DRS_POINTSCALE_B), NAME(D3DRS_POINTSCALE_C),
    NAME(D3DRS_MULTISAMPLEANTIALIAS), NAME(D3DRS_MULTISAMPLEMASK), NAME(D3DRS_PATCHEDGESTYLE),
    NAME(D3DRS_DEBUGMONITORTOKEN), NAME(D3DRS_POINTSIZE_MAX), NAME(D3DRS_INDEXEDVERTEXBLENDENABLE),
    NAME(D3DRS_COLORWRITEENABLE), NAME(D3DRS_TWEENFACTOR), NAME(D3DRS_BLENDOP), NAME(D3DRS_POSITIONDEGREE),
    NAME(D3DRS_NORMALDEGREE), NAME(D3DRS_SCISSORTESTENABLE), NAME(D3DRS_SLOPESCALEDEPTHBIAS),
    NAME(D3DRS_ANTIALIASEDLINEENABLE), NAME(D3DRS_MINTESSELLATIONLEVEL), NAME(D3DRS_MAXTESSELLATIONLEVEL),
    NAME(D3DRS_ADAPTIVETESS_X), NAME(D3DRS_ADAPTIVETESS_Y), NAME(D3DRS_ADAPTIVETESS_Z),
    NAME(D3DRS_ADAPTIVETESS_W), NAME(D3DRS_ENABLEADAPTIVETESSELLATION), NAME(D3DRS_TWOSIDEDSTENCILMODE),
    NAME(D3DRS_CCW_STENCILFAIL), NAME(D3DRS_CCW_STENCILZFAIL), NAME(D3DRS_CCW_STENCILPASS),
    NAME(D3DRS_CCW_STENCILFUNC), NAME(D3DRS_COLORWRITEENABLE1), NAME(D3DRS_COLORWRITEENABLE2),
    NAME(D3DRS_COLORWRITEENABLE3), NAME(D3DRS_BLENDFACTOR), NAME(D3DRS_SRGBWRITEENABLE), NAME(D3DRS_DEPTHBIAS),
    NAME(D3DRS_WRAP8), NAME(D3DRS_WRAP9), NAME(D3DRS_WRAP10), NAME(D3DRS_WRAP11), NAME(D3DRS_WRAP12),
    NAME(D3DRS_WRAP13), NAME(D3DRS_WRAP14), NAME(D3DRS_WRAP15), NAME(D3DRS_SEPARATEALPHABLENDENABLE),
    NAME(D3DRS_SRCBLENDALPHA), NAME(D3DRS_DESTBLENDALPHA), NAME(D3DRS_BLENDOPALPHA),
};
// clang-format on
constexpr Name kSamplerStates[] = {
    NAME(D3DSAMP_ADDRESSU),      NAME(D3DSAMP_ADDRESSV),      NAME(D3DSAMP_ADDRESSW),
    NAME(D3DSAMP_BORDERCOLOR),   NAME(D3DSAMP_MAGFILTER),     NAME(D3DSAMP_MINFILTER),
    NAME(D3DSAMP_MIPFILTER),     NAME(D3DSAMP_MIPMAPLODBIAS), NAME(D3DSAMP_MAXMIPLEVEL),
    NAME(D3DSAMP_MAXANISOTROPY), NAME(D3DSAMP_SRGBTEXTURE),   NAME(D3DSAMP_ELEMENTINDEX),
    NAME(D3DSAMP_DMAPOFFSET)};
constexpr Name kTextureStageStates[] = {NAME(D3DTSS_COLOROP),        NAME(D3DTSS_COLORARG1),
                                        NAME(D3DTSS_COLORARG2),      NAME(D3DTSS_ALPHAOP),
                                        NAME(D3DTSS_ALPHAARG1),      NAME(D3DTSS_ALPHAARG2),
                                        NAME(D3DTSS_BUMPENVMAT00),   NAME(D3DTSS_BUMPENVMAT01),
                                        NAME(D3DTSS_BUMPENVMAT10),   NAME(D3DTSS_BUMPENVMAT11),
                                        NAME(D3DTSS_TEXCOORDINDEX),  NAME(D3DTSS_BUMPENVLSCALE),
                                        NAME(D3DTSS_BUMPENVLOFFSET), NAME(D3DTSS_TEXTURETRANSFORMFLAGS),
                                        NAME(D3DTSS_COLORARG0),      NAME(D3DTSS_ALPHAARG0),
                                        NAME(D3DTSS_RESULTARG),      NAME(D3DTSS_CONSTANT)};
constexpr Name kTransformStates[] = {NAME(D3DTS_VIEW), NAME(D3DTS_PROJECTION), NAME(D3DTS_WORLD)};
constexpr Name kPrimitiveTypes[] = {NAME(D3DPT_TRIANGLELIST)};
constexpr Name kLightTypes[] = {NAME(D3DLIGHT_POINT)};
constexpr Name kTextureOps[] = {NAME(D3DTOP_DISABLE), NAME(D3DTOP_SELECTARG1), NAME(D3DTOP_MODULATE)};
constexpr Name kCompareFunctions[] = {NAME(D3DCMP_NEVER),        NAME(D3DCMP_LESS),    NAME(D3DCMP_EQUAL),
                                      NAME(D3DCMP_LESSEQUAL),    NAME(D3DCMP_GREATER), NAME(D3DCMP_NOTEQUAL),
                                      NAME(D3DCMP_GREATEREQUAL), NAME(D3DCMP_ALWAYS)};
constexpr Name kMaterialSources[] = {NAME(D3DMCS_MATERIAL), NAME(D3DMCS_COLOR1), NAME(D3DMCS_COLOR2)};

// The values of states and other arguments.
constexpr Name kBools[] = {NAME(FALSE), NAME(TRUE)};
constexpr Name kZBufferTypes[] = {NAME(D3DZB_FALSE), NAME(D3DZB_TRUE)};
constexpr Name kShadeModes[] = {NAME(D3DSHADE_FLAT), NAME(D3DSHADE_GOURAUD), NAME(D3DSHADE_PHONG)};
constexpr Name kTextureFilters[] = {NAME(D3DTEXF_POINT), NAME(D3DTEXF_LINEAR), NAME(D3DTEXF_ANISOTROPIC)};
constexpr Name kPresentIntervals[] = {NAME(D3DPRESENT_INTERVAL_DEFAULT)};
constexpr Name kAdapters[] = {NAME(D3DADAPTER_DEFAULT)};
constexpr Name kSdkVersions[] = {NAME(D3D_SDK_VERSION)};
constexpr Name kInputVersions[] = {NAME(DIRECTINPUT_VERSION)};
constexpr Name kFontWeights[] = {NAME(FW_NORMAL)};
constexpr Name kCharSets[] = {NAME(DEFAULT_CHARSET)};
constexpr Name kOutputPrecisions[] = {NAME(OUT_DEFAULT_PRECIS)};
constexpr Name kQualities[] = {NAME(DEFAULT_QUALITY)};
constexpr Name kPitchesAndFamilies[] = {{DEFAULT_PITCH | FF_DONTCARE, "DEFAULT_PITCH|FF_DONTCARE"}};
constexpr Name kShowCommands[] = {NAME(SW_SHOWDEFAULT)};
// The messages the layer sends or posts to a window, and the keys the program acts on.
constexpr Name kMessages[] = {NAME(WM_NULL),       NAME(WM_CREATE),   NAME(WM_DESTROY),    NAME(WM_SIZE),
                              NAME(WM_ACTIVATE),   NAME(WM_SETFOCUS), NAME(WM_KILLFOCUS),  NAME(WM_PAINT),
                              NAME(WM_CLOSE),      NAME(WM_QUIT),     NAME(WM_SHOWWINDOW), NAME(WM_NCCREATE),
                              NAME(WM_NCDESTROY),  NAME(WM_KEYDOWN),  NAME(WM_KEYUP),      NAME(WM_CHAR),
                              NAME(WM_SYSKEYDOWN), NAME(WM_SYSKEYUP), NAME(WM_SYSCHAR),    NAME(WM_MOUSEMOVE),
                              NAME(WM_MOUSEWHEEL)};
constexpr Name kVirtualKeys[] = {NAME(VK_ESCAPE), NAME(VK_F7), NAME(VK_F8), NAME(VK_F9)};

// Flags: each set bit by its name.
constexpr Name kClearFlags[] = {NAME(D3DCLEAR_TARGET), NAME(D3DCLEAR_ZBUFFER)};
constexpr Name kVertexFormats[] = {NAME(D3DFVF_XYZ), NAME(D3DFVF_NORMAL), NAME(D3DFVF_TEX1)};
constexpr Name kCreateFlags[] = {NAME(D3DCREATE_SOFTWARE_VERTEXPROCESSING)};
constexpr Name kCooperativeFlags[] = {NAME(DISCL_EXCLUSIVE), NAME(DISCL_NONEXCLUSIVE),
                                      NAME(DISCL_FOREGROUND)};
constexpr Name kPeekFlags[] = {NAME(PM_REMOVE)};
constexpr Name kWindowStyles[] = {NAME(WS_OVERLAPPEDWINDOW)};
constexpr Name kMessageBoxFlags[] = {NAME(MB_ICONERROR)};
#undef NAME

bool append_one(std::string& out, std::span<const Name> names, std::uint32_t value) {
    for (const Name& n : names) {
        if (n.value == value) {
            out += n.name;
            return true;
        }
    }
    return false;
}

// How an integer argument prints, given the integer argument before it in the call.
using Printer = void (*)(std::string& out, std::uint32_t value, std::uint32_t previous);

template <const auto& names> void one_of(std::string& out, std::uint32_t value, std::uint32_t) {
    if (!append_one(out, names, value))
        out += std::to_string(value);
}

// "A|B", the bits left without a name in hexadecimal; no bits at all print as 0.
template <const auto& names> void flags(std::string& out, std::uint32_t value, std::uint32_t) {
    if (value == 0) {
        out += '0';
        return;
    }
    bool first = true;
    for (const Name& n : names) {
        if ((value & n.value) == n.value) {
            out += first ? "" : "|";
            out += n.name;
            first = false;
            value &= ~n.value;
        }
    }
    if (value != 0) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "%s0x%X", first ? "" : "|", value);
        out += buf;
    }
}

void colour(std::string& out, std::uint32_t value, std::uint32_t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", value);
    out += buf;
}

// The wParam of a key message is a virtual-key code; of any other message, a number.
void message_parameter(std::string& out, std::uint32_t wparam, std::uint32_t message) {
    const bool key =
        message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    if (!key || !append_one(out, kVirtualKeys, wparam))
        out += std::to_string(wparam);
}

// The states whose values print other than as numbers, and how their values print.
struct StateValues {
    std::uint32_t state;
    Printer print;
};
constexpr StateValues kRenderStateValues[] = {
    {D3DRS_ZENABLE, one_of<kZBufferTypes>},   {D3DRS_SHADEMODE, one_of<kShadeModes>},
    {D3DRS_LIGHTING, one_of<kBools>},         {D3DRS_NORMALIZENORMALS, one_of<kBools>},
    {D3DRS_ALPHABLENDENABLE, one_of<kBools>}, {D3DRS_AMBIENT, colour}};
constexpr StateValues kSamplerStateValues[] = {{D3DSAMP_MAGFILTER, one_of<kTextureFilters>},
                                               {D3DSAMP_MINFILTER, one_of<kTextureFilters>},
                                               {D3DSAMP_MIPFILTER, one_of<kTextureFilters>}};
constexpr StateValues kTextureStageStateValues[] = {{D3DTSS_COLOROP, one_of<kTextureOps>},
                                                    {D3DTSS_ALPHAOP, one_of<kTextureOps>}};

// The value of a state, printed by the kind of value the state before it takes.
template <const auto& states> void state_value(std::string& out, std::uint32_t value, std::uint32_t state) {
    const auto found = std::find_if(std::begin(states), std::end(states),
                                    [state](const StateValues& s) { return s.state == state; });
    if (found != std::end(states))
        found->print(out, value, state);
    else
        out += std::to_string(value);
}

// The calls (and structures) whose integer arguments (fields) take names, and how each such argument
// prints, by its place (from 0).
struct Argument {
    int position;
    Printer print;
};
struct Call {
    std::string_view name;
    std::initializer_list<Argument> arguments;
};
constexpr Call kCalls[] = {
    {"SetRenderState", {{1, state_value<kRenderStateValues>}}},
    {"SetSamplerState", {{2, state_value<kSamplerStateValues>}}},
    {"SetTextureStageState", {{2, state_value<kTextureStageStateValues>}}},
    {"Clear", {{2, flags<kClearFlags>}}},
    {"SetFVF", {{0, flags<kVertexFormats>}}},
    {"CreateVertexBuffer", {{2, flags<kVertexFormats>}}},
    {"LightEnable", {{1, one_of<kBools>}}},
    {"Direct3DCreate9", {{0, one_of<kSdkVersions>}}},
    {"CreateDevice", {{1, one_of<kAdapters>}, {4, flags<kCreateFlags>}}},
    {"DirectInput8Create", {{1, one_of<kInputVersions>}}},
    {"SetCooperativeLevel", {{2, flags<kCooperativeFlags>}}},
    {"D3DXCreateFontA",
     {{3, one_of<kFontWeights>},
      {5, one_of<kBools>},
      {6, one_of<kCharSets>},
      {7, one_of<kOutputPrecisions>},
      {8, one_of<kQualities>},
      {9, one_of<kPitchesAndFamilies>}}},
    {"DefWindowProcA", {{1, one_of<kMessages>}, {2, message_parameter}}},
    {"PostMessageA", {{1, one_of<kMessages>}, {2, message_parameter}}},
    {"PeekMessageA", {{3, flags<kPeekFlags>}}},
    {"ShowWindow", {{1, one_of<kShowCommands>}}},
    {"CreateWindowExA", {{3, flags<kWindowStyles>}}},
    {"MessageBoxA", {{3, flags<kMessageBoxFlags>}}},
    // Structures, printed as their fields in braces.
    {"D3DPRESENT_PARAMETERS", {{8, one_of<kBools>}, {9, one_of<kBools>}, {13, one_of<kPresentIntervals>}}},
    {"MSG", {{1, one_of<kMessages>}, {2, message_parameter}}},
};

} // namespace

bool append_enumerator(std::string& out, std::size_t enumeration, std::uint32_t value) {
    // The tables of NamedEnumerations, in its order.
    constexpr std::span<const Name> kEnumerations[] = {
        kDeviceTypes,  kFormats,       kMultiSampleTypes,   kSwapEffects,     kPools,
        kRenderStates, kSamplerStates, kTextureStageStates, kTransformStates, kPrimitiveTypes,
        kLightTypes,   kTextureOps,    kCompareFunctions,   kMaterialSources};
    static_assert(std::size(kEnumerations) == std::tuple_size_v<NamedEnumerations>);
    return append_one(out, kEnumerations[enumeration], value);
}

bool append_argument(std::string& out, std::string_view call, int position, std::uint32_t value,
                     std::uint32_t previous) {
    for (const Call& named : kCalls) {
        if (named.name != call)
            continue;
        for (const Argument& argument : named.arguments) {
            if (argument.position == position) {
                argument.print(out, value, previous);
                return true;
            }
        }
        return false;
    }
    return false;
}

} // namespace platform::trace::names
