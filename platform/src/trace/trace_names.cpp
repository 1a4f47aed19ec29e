// The platform's names for the numbers in the call trace (see trace_names.h), for Direct3D 9, D3DX 9,
// DirectInput 8 and Win32: one table per enumeration or set of flags, made from the platform headers' own
// constants (NAME(D3DRS_ZENABLE) is the pair {7, "D3DRS_ZENABLE"}), the kinds of value that render, sampler
// and texture-stage states take, and the calls whose integer arguments take those names. Values without a
// name in the headers (D3DRS_WRAPn bits, a WM_CHAR character) stay numbers.
#include "trace/trace_names.h"

#include <d3dx9.h>
#include <dinput.h>
#include <windows.h>

#include <algorithm>
#include <bit>
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

constexpr Name kDeviceTypes[] = {NAME(D3DDEVTYPE_HAL), NAME(D3DDEVTYPE_REF), NAME(D3DDEVTYPE_SW),
                                 NAME(D3DDEVTYPE_NULLREF)};
constexpr Name kFormats[] = {
    NAME(D3DFMT_UNKNOWN), NAME(D3DFMT_R8G8B8), NAME(D3DFMT_A8R8G8B8), NAME(D3DFMT_X8R8G8B8),
    NAME(D3DFMT_R5G6B5),  NAME(D3DFMT_A8),     NAME(D3DFMT_A8B8G8R8), NAME(D3DFMT_X8B8G8R8),
    NAME(D3DFMT_L8),      NAME(D3DFMT_A8L8),   NAME(D3DFMT_D32),      NAME(D3DFMT_D24S8),
    NAME(D3DFMT_D24X8),   NAME(D3DFMT_D16),    NAME(D3DFMT_INDEX16),  NAME(D3DFMT_INDEX32)};
constexpr Name kMultiSampleTypes[] = {NAME(D3DMULTISAMPLE_NONE)};
constexpr Name kSwapEffects[] = {NAME(D3DSWAPEFFECT_DISCARD), NAME(D3DSWAPEFFECT_FLIP),
                                 NAME(D3DSWAPEFFECT_COPY)};
constexpr Name kPools[] = {NAME(D3DPOOL_DEFAULT), NAME(D3DPOOL_MANAGED), NAME(D3DPOOL_SYSTEMMEM),
                           NAME(D3DPOOL_SCRATCH)};
constexpr Name kResourceTypes[] = {NAME(D3DRTYPE_SURFACE), NAME(D3DRTYPE_TEXTURE),
                                   NAME(D3DRTYPE_VERTEXBUFFER), NAME(D3DRTYPE_INDEXBUFFER)};
constexpr Name kPrimitiveTypes[] = {NAME(D3DPT_POINTLIST),     NAME(D3DPT_LINELIST),
                                    NAME(D3DPT_LINESTRIP),     NAME(D3DPT_TRIANGLELIST),
                                    NAME(D3DPT_TRIANGLESTRIP), NAME(D3DPT_TRIANGLEFAN)};
constexpr Name kLightTypes[] = {NAME(D3DLIGHT_POINT), NAME(D3DLIGHT_SPOT), NAME(D3DLIGHT_DIRECTIONAL)};
constexpr Name kTransformStates[] = {NAME(D3DTS_VIEW),     NAME(D3DTS_PROJECTION), NAME(D3DTS_TEXTURE0),
                                     NAME(D3DTS_TEXTURE1), NAME(D3DTS_TEXTURE2),   NAME(D3DTS_TEXTURE3),
                                     NAME(D3DTS_TEXTURE4), NAME(D3DTS_TEXTURE5),   NAME(D3DTS_TEXTURE6),
                                     NAME(D3DTS_TEXTURE7), NAME(D3DTS_WORLD)};

constexpr Name kRenderStates[] = {
    NAME(D3DRS_ZENABLE),
    NAME(D3DRS_FILLMODE),
    NAME(D3DRS_SHADEMODE),
    NAME(D3DRS_ZWRITEENABLE),
    NAME(D3DRS_ALPHATESTENABLE),
    NAME(D3DRS_LASTPIXEL),
    NAME(D3DRS_SRCBLEND),
    NAME(D3DRS_DESTBLEND),
    NAME(D3DRS_CULLMODE),
    NAME(D3DRS_ZFUNC),
    NAME(D3DRS_ALPHAREF),
    NAME(D3DRS_ALPHAFUNC),
    NAME(D3DRS_DITHERENABLE),
    NAME(D3DRS_ALPHABLENDENABLE),
    NAME(D3DRS_FOGENABLE),
    NAME(D3DRS_SPECULARENABLE),
    NAME(D3DRS_FOGCOLOR),
    NAME(D3DRS_FOGTABLEMODE),
    NAME(D3DRS_FOGSTART),
    NAME(D3DRS_FOGEND),
    NAME(D3DRS_FOGDENSITY),
    NAME(D3DRS_RANGEFOGENABLE),
    NAME(D3DRS_STENCILENABLE),
    NAME(D3DRS_STENCILFAIL),
    NAME(D3DRS_STENCILZFAIL),
    NAME(D3DRS_STENCILPASS),
    NAME(D3DRS_STENCILFUNC),
    NAME(D3DRS_STENCILREF),
    NAME(D3DRS_STENCILMASK),
    NAME(D3DRS_STENCILWRITEMASK),
    NAME(D3DRS_TEXTUREFACTOR),
    NAME(D3DRS_WRAP0),
    NAME(D3DRS_WRAP1),
    NAME(D3DRS_WRAP2),
    NAME(D3DRS_WRAP3),
    NAME(D3DRS_WRAP4),
    NAME(D3DRS_WRAP5),
    NAME(D3DRS_WRAP6),
    NAME(D3DRS_WRAP7),
    NAME(D3DRS_CLIPPING),
    NAME(D3DRS_LIGHTING),
    NAME(D3DRS_AMBIENT),
    NAME(D3DRS_FOGVERTEXMODE),
    NAME(D3DRS_COLORVERTEX),
    NAME(D3DRS_LOCALVIEWER),
    NAME(D3DRS_NORMALIZENORMALS),
    NAME(D3DRS_DIFFUSEMATERIALSOURCE),
    NAME(D3DRS_SPECULARMATERIALSOURCE),
    NAME(D3DRS_AMBIENTMATERIALSOURCE),
    NAME(D3DRS_EMISSIVEMATERIALSOURCE),
    NAME(D3DRS_VERTEXBLEND),
    NAME(D3DRS_CLIPPLANEENABLE),
    NAME(D3DRS_POINTSIZE),
    NAME(D3DRS_POINTSIZE_MIN),
    NAME(D3DRS_POINTSPRITEENABLE),
    NAME(D3DRS_POINTSCALEENABLE),
    NAME(D3DRS_POINTSCALE_A),
    NAME(D3DRS_POINTSCALE_B),
    NAME(D3DRS_POINTSCALE_C),
    NAME(D3DRS_MULTISAMPLEANTIALIAS),
    NAME(D3DRS_MULTISAMPLEMASK),
    NAME(D3DRS_PATCHEDGESTYLE),
    NAME(D3DRS_DEBUGMONITORTOKEN),
    NAME(D3DRS_POINTSIZE_MAX),
    NAME(D3DRS_INDEXEDVERTEXBLENDENABLE),
    NAME(D3DRS_COLORWRITEENABLE),
    NAME(D3DRS_TWEENFACTOR),
    NAME(D3DRS_BLENDOP),
    NAME(D3DRS_POSITIONDEGREE),
    NAME(D3DRS_NORMALDEGREE),
    NAME(D3DRS_SCISSORTESTENABLE),
    NAME(D3DRS_SLOPESCALEDEPTHBIAS),
    NAME(D3DRS_ANTIALIASEDLINEENABLE),
    NAME(D3DRS_MINTESSELLATIONLEVEL),
    NAME(D3DRS_MAXTESSELLATIONLEVEL),
    NAME(D3DRS_ADAPTIVETESS_X),
    NAME(D3DRS_ADAPTIVETESS_Y),
    NAME(D3DRS_ADAPTIVETESS_Z),
    NAME(D3DRS_ADAPTIVETESS_W),
    NAME(D3DRS_ENABLEADAPTIVETESSELLATION),
    NAME(D3DRS_TWOSIDEDSTENCILMODE),
    NAME(D3DRS_CCW_STENCILFAIL),
    NAME(D3DRS_CCW_STENCILZFAIL),
    NAME(D3DRS_CCW_STENCILPASS),
    NAME(D3DRS_CCW_STENCILFUNC),
    NAME(D3DRS_COLORWRITEENABLE1),
    NAME(D3DRS_COLORWRITEENABLE2),
    NAME(D3DRS_COLORWRITEENABLE3),
    NAME(D3DRS_BLENDFACTOR),
    NAME(D3DRS_SRGBWRITEENABLE),
    NAME(D3DRS_DEPTHBIAS),
    NAME(D3DRS_WRAP8),
    NAME(D3DRS_WRAP9),
    NAME(D3DRS_WRAP10),
    NAME(D3DRS_WRAP11),
    NAME(D3DRS_WRAP12),
    NAME(D3DRS_WRAP13),
    NAME(D3DRS_WRAP14),
    NAME(D3DRS_WRAP15),
    NAME(D3DRS_SEPARATEALPHABLENDENABLE),
    NAME(D3DRS_SRCBLENDALPHA),
    NAME(D3DRS_DESTBLENDALPHA),
    NAME(D3DRS_BLENDOPALPHA),
};
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

// The values of states.
constexpr Name kBools[] = {NAME(FALSE), NAME(TRUE)};
constexpr Name kZBufferTypes[] = {NAME(D3DZB_FALSE), NAME(D3DZB_TRUE), NAME(D3DZB_USEW)};
constexpr Name kShadeModes[] = {NAME(D3DSHADE_FLAT), NAME(D3DSHADE_GOURAUD), NAME(D3DSHADE_PHONG)};
constexpr Name kFillModes[] = {NAME(D3DFILL_POINT), NAME(D3DFILL_WIREFRAME), NAME(D3DFILL_SOLID)};
constexpr Name kCullModes[] = {NAME(D3DCULL_NONE), NAME(D3DCULL_CW), NAME(D3DCULL_CCW)};
constexpr Name kCompareFunctions[] = {NAME(D3DCMP_NEVER),        NAME(D3DCMP_LESS),    NAME(D3DCMP_EQUAL),
                                      NAME(D3DCMP_LESSEQUAL),    NAME(D3DCMP_GREATER), NAME(D3DCMP_NOTEQUAL),
                                      NAME(D3DCMP_GREATEREQUAL), NAME(D3DCMP_ALWAYS)};
constexpr Name kBlends[] = {NAME(D3DBLEND_ZERO),
                            NAME(D3DBLEND_ONE),
                            NAME(D3DBLEND_SRCCOLOR),
                            NAME(D3DBLEND_INVSRCCOLOR),
                            NAME(D3DBLEND_SRCALPHA),
                            NAME(D3DBLEND_INVSRCALPHA),
                            NAME(D3DBLEND_DESTALPHA),
                            NAME(D3DBLEND_INVDESTALPHA),
                            NAME(D3DBLEND_DESTCOLOR),
                            NAME(D3DBLEND_INVDESTCOLOR),
                            NAME(D3DBLEND_SRCALPHASAT),
                            NAME(D3DBLEND_BOTHSRCALPHA),
                            NAME(D3DBLEND_BOTHINVSRCALPHA),
                            NAME(D3DBLEND_BLENDFACTOR),
                            NAME(D3DBLEND_INVBLENDFACTOR)};
constexpr Name kBlendOps[] = {NAME(D3DBLENDOP_ADD), NAME(D3DBLENDOP_SUBTRACT), NAME(D3DBLENDOP_REVSUBTRACT),
                              NAME(D3DBLENDOP_MIN), NAME(D3DBLENDOP_MAX)};
constexpr Name kStencilOps[] = {NAME(D3DSTENCILOP_KEEP), NAME(D3DSTENCILOP_ZERO), NAME(D3DSTENCILOP_REPLACE)};
constexpr Name kFogModes[] = {NAME(D3DFOG_NONE), NAME(D3DFOG_EXP), NAME(D3DFOG_EXP2), NAME(D3DFOG_LINEAR)};
constexpr Name kVertexBlends[] = {NAME(D3DVBF_DISABLE)};
constexpr Name kPatchEdgeStyles[] = {NAME(D3DPATCHEDGE_DISCRETE), NAME(D3DPATCHEDGE_CONTINUOUS)};
constexpr Name kDegrees[] = {NAME(D3DDEGREE_LINEAR), NAME(D3DDEGREE_QUADRATIC), NAME(D3DDEGREE_CUBIC),
                             NAME(D3DDEGREE_QUINTIC)};
constexpr Name kDebugMonitorTokens[] = {NAME(D3DDMT_ENABLE), NAME(D3DDMT_DISABLE)};
constexpr Name kMaterialSources[] = {NAME(D3DMCS_MATERIAL), NAME(D3DMCS_COLOR1), NAME(D3DMCS_COLOR2)};
constexpr Name kTextureFilters[] = {NAME(D3DTEXF_NONE), NAME(D3DTEXF_POINT), NAME(D3DTEXF_LINEAR),
                                    NAME(D3DTEXF_ANISOTROPIC)};
constexpr Name kTextureAddresses[] = {NAME(D3DTADDRESS_WRAP), NAME(D3DTADDRESS_MIRROR),
                                      NAME(D3DTADDRESS_CLAMP), NAME(D3DTADDRESS_BORDER)};
constexpr Name kTextureOps[] = {
    NAME(D3DTOP_DISABLE),
    NAME(D3DTOP_SELECTARG1),
    NAME(D3DTOP_SELECTARG2),
    NAME(D3DTOP_MODULATE),
    NAME(D3DTOP_MODULATE2X),
    NAME(D3DTOP_MODULATE4X),
    NAME(D3DTOP_ADD),
    NAME(D3DTOP_ADDSIGNED),
    NAME(D3DTOP_ADDSIGNED2X),
    NAME(D3DTOP_SUBTRACT),
    NAME(D3DTOP_ADDSMOOTH),
    NAME(D3DTOP_BLENDDIFFUSEALPHA),
    NAME(D3DTOP_BLENDTEXTUREALPHA),
    NAME(D3DTOP_BLENDFACTORALPHA),
    NAME(D3DTOP_BLENDTEXTUREALPHAPM),
    NAME(D3DTOP_BLENDCURRENTALPHA),
    NAME(D3DTOP_PREMODULATE),
    NAME(D3DTOP_MODULATEALPHA_ADDCOLOR),
    NAME(D3DTOP_MODULATECOLOR_ADDALPHA),
    NAME(D3DTOP_MODULATEINVALPHA_ADDCOLOR),
    NAME(D3DTOP_MODULATEINVCOLOR_ADDALPHA),
    NAME(D3DTOP_BUMPENVMAP),
    NAME(D3DTOP_BUMPENVMAPLUMINANCE),
    NAME(D3DTOP_DOTPRODUCT3),
    NAME(D3DTOP_MULTIPLYADD),
    NAME(D3DTOP_LERP),
};
constexpr Name kTextureArguments[] = {NAME(D3DTA_DIFFUSE), NAME(D3DTA_CURRENT),  NAME(D3DTA_TEXTURE),
                                      NAME(D3DTA_TFACTOR), NAME(D3DTA_SPECULAR), NAME(D3DTA_TEMP),
                                      NAME(D3DTA_CONSTANT)};
constexpr Name kTextureArgumentModifiers[] = {NAME(D3DTA_COMPLEMENT), NAME(D3DTA_ALPHAREPLICATE)};
constexpr Name kTextureTransformFlags[] = {NAME(D3DTTFF_DISABLE)};
constexpr Name kPresentIntervals[] = {NAME(D3DPRESENT_INTERVAL_DEFAULT), NAME(D3DPRESENT_INTERVAL_ONE),
                                      NAME(D3DPRESENT_INTERVAL_IMMEDIATE)};

// Flags: each set bit by its name.
constexpr Name kClearFlags[] = {NAME(D3DCLEAR_TARGET), NAME(D3DCLEAR_ZBUFFER), NAME(D3DCLEAR_STENCIL)};
constexpr Name kVertexFlags[] = {NAME(D3DFVF_NORMAL), NAME(D3DFVF_PSIZE), NAME(D3DFVF_DIFFUSE),
                                 NAME(D3DFVF_SPECULAR)};
constexpr Name kVertexPositions[] = {NAME(D3DFVF_XYZ),   NAME(D3DFVF_XYZRHW), NAME(D3DFVF_XYZB1),
                                     NAME(D3DFVF_XYZB2), NAME(D3DFVF_XYZB3),  NAME(D3DFVF_XYZB4),
                                     NAME(D3DFVF_XYZB5), NAME(D3DFVF_XYZW)};
constexpr Name kVertexTexCounts[] = {NAME(D3DFVF_TEX1), NAME(D3DFVF_TEX2), NAME(D3DFVF_TEX3),
                                     NAME(D3DFVF_TEX4), NAME(D3DFVF_TEX5), NAME(D3DFVF_TEX6),
                                     NAME(D3DFVF_TEX7), NAME(D3DFVF_TEX8)};
constexpr Name kUsageFlags[] = {NAME(D3DUSAGE_WRITEONLY), NAME(D3DUSAGE_DYNAMIC)};
constexpr Name kLockFlags[] = {NAME(D3DLOCK_READONLY), NAME(D3DLOCK_NOSYSLOCK), NAME(D3DLOCK_NOOVERWRITE),
                               NAME(D3DLOCK_DISCARD), NAME(D3DLOCK_NO_DIRTY_UPDATE)};
constexpr Name kCreateFlags[] = {NAME(D3DCREATE_FPU_PRESERVE), NAME(D3DCREATE_SOFTWARE_VERTEXPROCESSING),
                                 NAME(D3DCREATE_HARDWARE_VERTEXPROCESSING),
                                 NAME(D3DCREATE_MIXED_VERTEXPROCESSING)};
constexpr Name kCooperativeFlags[] = {NAME(DISCL_EXCLUSIVE), NAME(DISCL_NONEXCLUSIVE), NAME(DISCL_FOREGROUND),
                                      NAME(DISCL_BACKGROUND), NAME(DISCL_NOWINKEY)};
constexpr Name kTextFormats[] = {NAME(DT_CENTER), NAME(DT_RIGHT),      NAME(DT_VCENTER),
                                 NAME(DT_BOTTOM), NAME(DT_SINGLELINE), NAME(DT_NOCLIP)};

// The values the program passes by name to the creating calls.
constexpr Name kAdapters[] = {NAME(D3DADAPTER_DEFAULT)};
constexpr Name kSdkVersions[] = {NAME(D3D_SDK_VERSION)};
constexpr Name kInputVersions[] = {NAME(DIRECTINPUT_VERSION)};
constexpr Name kFontWeights[] = {NAME(FW_NORMAL), NAME(FW_BOLD)};
constexpr Name kCharSets[] = {NAME(DEFAULT_CHARSET)};
constexpr Name kOutputPrecisions[] = {NAME(OUT_DEFAULT_PRECIS)};
constexpr Name kQualities[] = {NAME(DEFAULT_QUALITY)};

// Win32: window messages, the virtual-key codes of key messages, show commands, styles and flags.
constexpr Name kMessages[] = {NAME(WM_NULL),       NAME(WM_CREATE),   NAME(WM_DESTROY),    NAME(WM_SIZE),
                              NAME(WM_ACTIVATE),   NAME(WM_SETFOCUS), NAME(WM_KILLFOCUS),  NAME(WM_PAINT),
                              NAME(WM_CLOSE),      NAME(WM_QUIT),     NAME(WM_SHOWWINDOW), NAME(WM_NCCREATE),
                              NAME(WM_NCDESTROY),  NAME(WM_KEYDOWN),  NAME(WM_KEYUP),      NAME(WM_CHAR),
                              NAME(WM_SYSKEYDOWN), NAME(WM_SYSKEYUP), NAME(WM_SYSCHAR),    NAME(WM_MOUSEMOVE),
                              NAME(WM_MOUSEWHEEL)};
constexpr Name kVirtualKeys[] = {NAME(VK_LBUTTON),
                                 NAME(VK_RBUTTON),
                                 NAME(VK_CANCEL),
                                 NAME(VK_MBUTTON),
                                 NAME(VK_BACK),
                                 NAME(VK_TAB),
                                 NAME(VK_CLEAR),
                                 NAME(VK_RETURN),
                                 NAME(VK_SHIFT),
                                 NAME(VK_CONTROL),
                                 NAME(VK_MENU),
                                 NAME(VK_PAUSE),
                                 NAME(VK_CAPITAL),
                                 NAME(VK_KANA),
                                 NAME(VK_KANJI),
                                 NAME(VK_ESCAPE),
                                 NAME(VK_CONVERT),
                                 NAME(VK_NONCONVERT),
                                 NAME(VK_SPACE),
                                 NAME(VK_PRIOR),
                                 NAME(VK_NEXT),
                                 NAME(VK_END),
                                 NAME(VK_HOME),
                                 NAME(VK_LEFT),
                                 NAME(VK_UP),
                                 NAME(VK_RIGHT),
                                 NAME(VK_DOWN),
                                 NAME(VK_SELECT),
                                 NAME(VK_PRINT),
                                 NAME(VK_EXECUTE),
                                 NAME(VK_SNAPSHOT),
                                 NAME(VK_INSERT),
                                 NAME(VK_DELETE),
                                 NAME(VK_HELP),
                                 NAME(VK_LWIN),
                                 NAME(VK_RWIN),
                                 NAME(VK_APPS),
                                 NAME(VK_SLEEP),
                                 NAME(VK_NUMPAD0),
                                 NAME(VK_NUMPAD1),
                                 NAME(VK_NUMPAD2),
                                 NAME(VK_NUMPAD3),
                                 NAME(VK_NUMPAD4),
                                 NAME(VK_NUMPAD5),
                                 NAME(VK_NUMPAD6),
                                 NAME(VK_NUMPAD7),
                                 NAME(VK_NUMPAD8),
                                 NAME(VK_NUMPAD9),
                                 NAME(VK_MULTIPLY),
                                 NAME(VK_ADD),
                                 NAME(VK_SEPARATOR),
                                 NAME(VK_SUBTRACT),
                                 NAME(VK_DECIMAL),
                                 NAME(VK_DIVIDE),
                                 NAME(VK_F1),
                                 NAME(VK_F2),
                                 NAME(VK_F3),
                                 NAME(VK_F4),
                                 NAME(VK_F5),
                                 NAME(VK_F6),
                                 NAME(VK_F7),
                                 NAME(VK_F8),
                                 NAME(VK_F9),
                                 NAME(VK_F10),
                                 NAME(VK_F11),
                                 NAME(VK_F12),
                                 NAME(VK_F13),
                                 NAME(VK_F14),
                                 NAME(VK_F15),
                                 NAME(VK_F16),
                                 NAME(VK_F17),
                                 NAME(VK_F18),
                                 NAME(VK_F19),
                                 NAME(VK_F20),
                                 NAME(VK_F21),
                                 NAME(VK_F22),
                                 NAME(VK_F23),
                                 NAME(VK_F24),
                                 NAME(VK_NUMLOCK),
                                 NAME(VK_SCROLL),
                                 NAME(VK_LSHIFT),
                                 NAME(VK_RSHIFT),
                                 NAME(VK_LCONTROL),
                                 NAME(VK_RCONTROL),
                                 NAME(VK_LMENU),
                                 NAME(VK_RMENU),
                                 NAME(VK_BROWSER_BACK),
                                 NAME(VK_BROWSER_FORWARD),
                                 NAME(VK_BROWSER_REFRESH),
                                 NAME(VK_BROWSER_STOP),
                                 NAME(VK_BROWSER_SEARCH),
                                 NAME(VK_BROWSER_FAVORITES),
                                 NAME(VK_BROWSER_HOME),
                                 NAME(VK_VOLUME_MUTE),
                                 NAME(VK_VOLUME_DOWN),
                                 NAME(VK_VOLUME_UP),
                                 NAME(VK_MEDIA_NEXT_TRACK),
                                 NAME(VK_MEDIA_PREV_TRACK),
                                 NAME(VK_MEDIA_STOP),
                                 NAME(VK_MEDIA_PLAY_PAUSE),
                                 NAME(VK_LAUNCH_MAIL),
                                 NAME(VK_LAUNCH_MEDIA_SELECT),
                                 NAME(VK_LAUNCH_APP1),
                                 NAME(VK_LAUNCH_APP2),
                                 NAME(VK_OEM_1),
                                 NAME(VK_OEM_PLUS),
                                 NAME(VK_OEM_COMMA),
                                 NAME(VK_OEM_MINUS),
                                 NAME(VK_OEM_PERIOD),
                                 NAME(VK_OEM_2),
                                 NAME(VK_OEM_3),
                                 NAME(VK_OEM_4),
                                 NAME(VK_OEM_5),
                                 NAME(VK_OEM_6),
                                 NAME(VK_OEM_7),
                                 NAME(VK_OEM_102)};
constexpr Name kShowCommands[] = {
    NAME(SW_HIDE),          NAME(SW_SHOWNORMAL),      NAME(SW_NORMAL),         NAME(SW_SHOWMINIMIZED),
    NAME(SW_SHOWMAXIMIZED), NAME(SW_MAXIMIZE),        NAME(SW_SHOWNOACTIVATE), NAME(SW_SHOW),
    NAME(SW_MINIMIZE),      NAME(SW_SHOWMINNOACTIVE), NAME(SW_SHOWNA),         NAME(SW_RESTORE),
    NAME(SW_SHOWDEFAULT)};
constexpr Name kPeekFlags[] = {NAME(PM_REMOVE)};
// The composite style first, so that its bits print as its one name.
constexpr Name kWindowStyles[] = {NAME(WS_OVERLAPPEDWINDOW), NAME(WS_CAPTION),     NAME(WS_SYSMENU),
                                  NAME(WS_THICKFRAME),       NAME(WS_MINIMIZEBOX), NAME(WS_MAXIMIZEBOX)};
constexpr Name kMessageBoxFlags[] = {NAME(MB_ICONERROR)};
constexpr Name kWindowPositions[] = {NAME(CW_USEDEFAULT)};
#undef NAME

const char* find(std::span<const Name> names, std::uint32_t value) {
    for (const Name& n : names)
        if (n.value == value)
            return n.name;
    return nullptr;
}

bool append_one(std::string& out, std::span<const Name> names, std::uint32_t value) {
    const char* name = find(names, value);
    if (name != nullptr)
        out += name;
    return name != nullptr;
}

// How an integer argument prints, given the integer argument before it in the call.
using Printer = void (*)(std::string& out, std::uint32_t value, std::uint32_t previous);

void append_hex(std::string& out, std::uint32_t value) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", value);
    out += buf;
}

// "A|B", the bits left without a name in hexadecimal; no bits at all print as 0.
void append_flags(std::string& out, std::span<const Name> names, std::uint32_t value) {
    if (value == 0) {
        out += '0';
        return;
    }
    bool first = true;
    for (const Name& n : names) {
        if (n.value != 0 && (value & n.value) == n.value) {
            out += first ? "" : "|";
            out += n.name;
            first = false;
            value &= ~n.value;
        }
    }
    if (value != 0) {
        out += first ? "" : "|";
        append_hex(out, value);
    }
}

template <const auto& names> void one_of(std::string& out, std::uint32_t value, std::uint32_t) {
    if (!append_one(out, names, value))
        out += std::to_string(value);
}
template <const auto& names> void flags(std::string& out, std::uint32_t value, std::uint32_t) {
    append_flags(out, names, value);
}

void color(std::string& out, std::uint32_t value, std::uint32_t) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08X", value);
    out += buf;
}

// A float the program passes through a DWORD (*(DWORD*)&f), printed as the float.
void float_bits(std::string& out, std::uint32_t value, std::uint32_t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", static_cast<double>(std::bit_cast<float>(value)));
    out += buf;
}

// D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1: the position, the other parts, the number of texture coordinates
// and, in hexadecimal, any bits (texture-coordinate sizes) left over.
void vertex_format(std::string& out, std::uint32_t fvf, std::uint32_t) {
    std::uint32_t rest = fvf;
    std::string parts;
    const auto add = [&](const char* name, std::uint32_t bits) {
        parts += parts.empty() ? "" : "|";
        parts += name;
        rest &= ~bits;
    };
    if (const char* position = find(kVertexPositions, fvf & D3DFVF_POSITION_MASK))
        add(position, fvf & D3DFVF_POSITION_MASK);
    for (const Name& n : kVertexFlags)
        if ((fvf & n.value) != 0)
            add(n.name, n.value);
    if (const char* count = find(kVertexTexCounts, fvf & D3DFVF_TEXCOUNT_MASK))
        add(count, fvf & D3DFVF_TEXCOUNT_MASK);
    if (rest != 0) {
        parts += parts.empty() ? "" : "|";
        append_hex(parts, rest);
    }
    out += parts.empty() ? "0" : parts;
}

void texture_argument(std::string& out, std::uint32_t value, std::uint32_t) {
    const char* select = find(kTextureArguments, value & D3DTA_SELECTMASK);
    const std::uint32_t modifiers = value & ~static_cast<std::uint32_t>(D3DTA_SELECTMASK);
    if (select == nullptr || (modifiers & ~(D3DTA_COMPLEMENT | D3DTA_ALPHAREPLICATE)) != 0) {
        out += std::to_string(value);
        return;
    }
    out += select;
    if (modifiers != 0) {
        out += '|';
        append_flags(out, kTextureArgumentModifiers, modifiers);
    }
}

// The pitch in the low two bits and the family above them; only the defaults have names in the headers.
void pitch_and_family(std::string& out, std::uint32_t value, std::uint32_t) {
    if (value == (DEFAULT_PITCH | FF_DONTCARE))
        out += "DEFAULT_PITCH|FF_DONTCARE";
    else
        out += std::to_string(value);
}

// The wParam of a key message is a virtual-key code; of any other message, a number.
void message_parameter(std::string& out, std::uint32_t wparam, std::uint32_t message) {
    const bool key =
        message == WM_KEYDOWN || message == WM_KEYUP || message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
    if (!key || !append_one(out, kVirtualKeys, wparam))
        out += std::to_string(wparam);
}

// A presentation interval without a name prints in hexadecimal, as the named ones are written.
void present_interval(std::string& out, std::uint32_t value, std::uint32_t) {
    if (!append_one(out, kPresentIntervals, value))
        append_hex(out, value);
}

// States that take the same kind of value, and how that value prints.
struct StateValues {
    Printer print;
    std::initializer_list<std::uint32_t> states;
};
// The render states whose values print other than as numbers, by how they print.
constexpr StateValues kRenderStateValues[] = {
    {one_of<kZBufferTypes>, {D3DRS_ZENABLE}},
    {one_of<kFillModes>, {D3DRS_FILLMODE}},
    {one_of<kShadeModes>, {D3DRS_SHADEMODE}},
    {one_of<kCullModes>, {D3DRS_CULLMODE}},
    {one_of<kBlends>, {D3DRS_SRCBLEND, D3DRS_DESTBLEND, D3DRS_SRCBLENDALPHA, D3DRS_DESTBLENDALPHA}},
    {one_of<kBlendOps>, {D3DRS_BLENDOP, D3DRS_BLENDOPALPHA}},
    {one_of<kCompareFunctions>, {D3DRS_ZFUNC, D3DRS_ALPHAFUNC, D3DRS_STENCILFUNC, D3DRS_CCW_STENCILFUNC}},
    {one_of<kStencilOps>,
     {D3DRS_STENCILFAIL, D3DRS_STENCILZFAIL, D3DRS_STENCILPASS, D3DRS_CCW_STENCILFAIL, D3DRS_CCW_STENCILZFAIL,
      D3DRS_CCW_STENCILPASS}},
    {one_of<kFogModes>, {D3DRS_FOGTABLEMODE, D3DRS_FOGVERTEXMODE}},
    {one_of<kMaterialSources>,
     {D3DRS_DIFFUSEMATERIALSOURCE, D3DRS_SPECULARMATERIALSOURCE, D3DRS_AMBIENTMATERIALSOURCE,
      D3DRS_EMISSIVEMATERIALSOURCE}},
    {one_of<kVertexBlends>, {D3DRS_VERTEXBLEND}},
    {one_of<kPatchEdgeStyles>, {D3DRS_PATCHEDGESTYLE}},
    {one_of<kDegrees>, {D3DRS_POSITIONDEGREE, D3DRS_NORMALDEGREE}},
    {one_of<kDebugMonitorTokens>, {D3DRS_DEBUGMONITORTOKEN}},
    {one_of<kBools>,
     {D3DRS_ZWRITEENABLE,
      D3DRS_ALPHATESTENABLE,
      D3DRS_LASTPIXEL,
      D3DRS_DITHERENABLE,
      D3DRS_ALPHABLENDENABLE,
      D3DRS_FOGENABLE,
      D3DRS_SPECULARENABLE,
      D3DRS_RANGEFOGENABLE,
      D3DRS_STENCILENABLE,
      D3DRS_CLIPPING,
      D3DRS_LIGHTING,
      D3DRS_COLORVERTEX,
      D3DRS_LOCALVIEWER,
      D3DRS_NORMALIZENORMALS,
      D3DRS_POINTSPRITEENABLE,
      D3DRS_POINTSCALEENABLE,
      D3DRS_MULTISAMPLEANTIALIAS,
      D3DRS_INDEXEDVERTEXBLENDENABLE,
      D3DRS_SCISSORTESTENABLE,
      D3DRS_ANTIALIASEDLINEENABLE,
      D3DRS_ENABLEADAPTIVETESSELLATION,
      D3DRS_TWOSIDEDSTENCILMODE,
      D3DRS_SRGBWRITEENABLE,
      D3DRS_SEPARATEALPHABLENDENABLE}},
    {color, {D3DRS_FOGCOLOR, D3DRS_TEXTUREFACTOR, D3DRS_AMBIENT, D3DRS_BLENDFACTOR}},
    {float_bits,
     {D3DRS_FOGSTART, D3DRS_FOGEND, D3DRS_FOGDENSITY, D3DRS_POINTSIZE, D3DRS_POINTSIZE_MIN,
      D3DRS_POINTSIZE_MAX, D3DRS_POINTSCALE_A, D3DRS_POINTSCALE_B, D3DRS_POINTSCALE_C, D3DRS_TWEENFACTOR,
      D3DRS_SLOPESCALEDEPTHBIAS, D3DRS_DEPTHBIAS, D3DRS_MINTESSELLATIONLEVEL, D3DRS_MAXTESSELLATIONLEVEL,
      D3DRS_ADAPTIVETESS_X, D3DRS_ADAPTIVETESS_Y, D3DRS_ADAPTIVETESS_Z, D3DRS_ADAPTIVETESS_W}},
};
// The sampler states whose values print other than as numbers, by how they print.
constexpr StateValues kSamplerStateValues[] = {
    {one_of<kTextureAddresses>, {D3DSAMP_ADDRESSU, D3DSAMP_ADDRESSV, D3DSAMP_ADDRESSW}},
    {one_of<kTextureFilters>, {D3DSAMP_MAGFILTER, D3DSAMP_MINFILTER, D3DSAMP_MIPFILTER}},
    {one_of<kBools>, {D3DSAMP_SRGBTEXTURE}},
    {color, {D3DSAMP_BORDERCOLOR}},
    {float_bits, {D3DSAMP_MIPMAPLODBIAS}},
};
// The texture-stage states whose values print other than as numbers, by how they print.
constexpr StateValues kTextureStageStateValues[] = {
    {one_of<kTextureOps>, {D3DTSS_COLOROP, D3DTSS_ALPHAOP}},
    {texture_argument,
     {D3DTSS_COLORARG0, D3DTSS_COLORARG1, D3DTSS_COLORARG2, D3DTSS_ALPHAARG0, D3DTSS_ALPHAARG1,
      D3DTSS_ALPHAARG2, D3DTSS_RESULTARG}},
    {one_of<kTextureTransformFlags>, {D3DTSS_TEXTURETRANSFORMFLAGS}},
    {float_bits,
     {D3DTSS_BUMPENVMAT00, D3DTSS_BUMPENVMAT01, D3DTSS_BUMPENVMAT10, D3DTSS_BUMPENVMAT11,
      D3DTSS_BUMPENVLSCALE, D3DTSS_BUMPENVLOFFSET}},
    {color, {D3DTSS_CONSTANT}},
};

// The value of a state, printed by the kind of value the state before it takes.
template <const auto& kinds> void state_value(std::string& out, std::uint32_t value, std::uint32_t state) {
    for (const StateValues& kind : kinds) {
        if (std::find(kind.states.begin(), kind.states.end(), state) != kind.states.end()) {
            kind.print(out, value, state);
            return;
        }
    }
    out += std::to_string(value);
}
constexpr Printer render_state_value = state_value<kRenderStateValues>;
constexpr Printer sampler_state_value = state_value<kSamplerStateValues>;
constexpr Printer texture_stage_state_value = state_value<kTextureStageStateValues>;

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
    {"SetRenderState", {{1, render_state_value}}},
    {"SetSamplerState", {{2, sampler_state_value}}},
    {"SetTextureStageState", {{2, texture_stage_state_value}}},
    {"Clear", {{2, flags<kClearFlags>}}},
    {"SetFVF", {{0, vertex_format}}},
    {"CreateVertexBuffer", {{1, flags<kUsageFlags>}, {2, vertex_format}}},
    {"CreateIndexBuffer", {{1, flags<kUsageFlags>}}},
    {"Lock", {{3, flags<kLockFlags>}}},
    {"LockRect", {{3, flags<kLockFlags>}}},
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
      {9, pitch_and_family}}},
    {"DrawTextA", {{5, flags<kTextFormats>}}},
    {"DefWindowProcA", {{1, one_of<kMessages>}, {2, message_parameter}}},
    {"PostMessageA", {{1, one_of<kMessages>}, {2, message_parameter}}},
    {"PeekMessageA", {{3, flags<kPeekFlags>}}},
    {"ShowWindow", {{1, one_of<kShowCommands>}}},
    {"CreateWindowExA",
     {{3, flags<kWindowStyles>}, {4, one_of<kWindowPositions>}, {5, one_of<kWindowPositions>}}},
    {"MessageBoxA", {{3, flags<kMessageBoxFlags>}}},
    // Structures, printed as their fields in braces.
    {"D3DPRESENT_PARAMETERS", {{8, one_of<kBools>}, {9, one_of<kBools>}, {13, present_interval}}},
    {"MSG", {{1, one_of<kMessages>}, {2, message_parameter}}},
};

} // namespace

bool append_enumerator(std::string& out, std::size_t enumeration, std::uint32_t value) {
    // The tables of NamedEnumerations, in its order.
    constexpr std::span<const Name> kEnumerations[] = {
        kDeviceTypes,    kFormats,      kMultiSampleTypes, kSwapEffects,        kPools,
        kResourceTypes,  kRenderStates, kSamplerStates,    kTextureStageStates, kTransformStates,
        kPrimitiveTypes, kLightTypes,   kTextureOps,       kCompareFunctions,   kMaterialSources};
    static_assert(std::size(kEnumerations) == std::tuple_size_v<NamedEnumerations>);
    if (append_one(out, kEnumerations[enumeration], value))
        return true;
    // The world matrices past the first, D3DTS_WORLDMATRIX(1) to (255).
    const std::uint32_t world = value - static_cast<std::uint32_t>(D3DTS_WORLD);
    if (enumeration != kEnumeration<D3DTRANSFORMSTATETYPE> || world >= 256)
        return false;
    out += "D3DTS_WORLDMATRIX(" + std::to_string(world) + ')';
    return true;
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
