// The Direct3D 9 device's state records (render states, sampler states, texture stage states, transforms,
// lights, material) with the documented starting values, and which indices each Set/Get accepts.
// Used by the device (d3d9_device.cpp) and the GL renderer that turns them into GL state (gl_draw.cpp).
#pragma once

#include <d3d9.h>

#include <array>
#include <bit>
#include <cstdint>
#include <map>
#include <optional>

namespace platform::d3d9 {

inline constexpr DWORD kRenderStateCount = 256;
inline constexpr DWORD kTextureStages = 8; // fixed-function stages
inline constexpr DWORD kSamplerSlots = 21; // samplers 0..15, the displacement-map sampler, 4 vertex samplers
inline constexpr DWORD kSamplerStateCount = 14;
inline constexpr DWORD kStageStateCount = 33;
inline constexpr DWORD kMaxActiveLights = 8;
inline constexpr DWORD kStreams = 16;

// Where sampler (or texture stage) number n lives in the sampler arrays, or nullopt for an invalid number:
// 0..15, D3DDMAPSAMPLER and D3DVERTEXTEXTURESAMPLER0..3.
std::optional<DWORD> sampler_slot(DWORD sampler);

bool is_render_state(DWORD state);
bool is_sampler_state(DWORD type);
bool is_stage_state(DWORD type);

struct LightSlot {
    D3DLIGHT9 light{};
    bool enabled = false;
};

struct StateRecords {
    std::array<DWORD, kRenderStateCount> render{};
    std::array<std::array<DWORD, kSamplerStateCount>, kSamplerSlots> sampler{};
    std::array<std::array<DWORD, kStageStateCount>, kTextureStages> stage{};
    D3DMATRIX view{};
    D3DMATRIX projection{};
    std::array<D3DMATRIX, 8> texture_transform{};
    std::array<D3DMATRIX, 256> world{};
    std::map<DWORD, LightSlot> lights; // any index may be set
    D3DMATERIAL9 material{};
    DWORD fvf = 0;
};

// The records as a new device starts them. ZENABLE is D3DZB_TRUE only when the device made its own depth
// buffer.
StateRecords default_states(bool auto_depth_stencil);

// The light a LightEnable on a never-set index creates: white directional light along +Z.
D3DLIGHT9 default_light();

// The matrix slot of a transform state, or null for a state Direct3D 9 does not have.
D3DMATRIX* transform_slot(StateRecords& states, DWORD state);

// A float state value is stored as its bits.
inline DWORD float_bits(float value) {
    return std::bit_cast<DWORD>(value);
}
inline float bits_float(DWORD value) {
    return std::bit_cast<float>(value);
}

} // namespace platform::d3d9
