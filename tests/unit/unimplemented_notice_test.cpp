// What the renderer draws and what it says it does not: the viewer's own states, in every render mode it
// switches to, draw without a word; any other value is said once on standard error, naming what is drawn
// instead, however many draws ask for it. The key of the fixed-function emulation says it, with no display.
#include "d3d9/d3d9_vertex_format.h"
#include "gl/gl_ffp_key.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using namespace platform::d3d9;
using namespace platform::gl;

// The states the viewer sets (render/graphics.cpp, render/box_scene.cpp); its stage 2 states are defaults.
StateRecords viewer_states() {
    StateRecords s = default_states(true);
    s.render[D3DRS_LIGHTING] = TRUE;
    s.render[D3DRS_AMBIENT] = 0xFF323232;
    s.render[D3DRS_NORMALIZENORMALS] = TRUE;
    s.render[D3DRS_ALPHABLENDENABLE] = TRUE;
    s.sampler[0][D3DSAMP_MAXANISOTROPY] = 8;
    s.lights[0] = {default_light(), true};
    s.lights[0].light.Type = D3DLIGHT_POINT;
    s.fvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
    return s;
}

// What two draws under the state say.
std::string said(const StateRecords& states) {
    testing::internal::CaptureStderr();
    for (int draw = 0; draw < 2; ++draw)
        make_ffp_key(states, parse_fvf(states.fvf), true);
    return testing::internal::GetCapturedStderr();
}

TEST(UnimplementedNotice, TheViewersStatesDrawWithoutAWord) {
    for (const DWORD depth : {D3DZB_TRUE, D3DZB_FALSE})
        for (const DWORD filter : {D3DTEXF_POINT, D3DTEXF_LINEAR, D3DTEXF_ANISOTROPIC})
            for (const DWORD shade : {D3DSHADE_FLAT, D3DSHADE_GOURAUD, D3DSHADE_PHONG}) {
                StateRecords s = viewer_states();
                s.render[D3DRS_ZENABLE] = depth;
                s.render[D3DRS_SHADEMODE] = shade;
                for (const D3DSAMPLERSTATETYPE type :
                     {D3DSAMP_MINFILTER, D3DSAMP_MAGFILTER, D3DSAMP_MIPFILTER})
                    s.sampler[0][type] = filter;
                EXPECT_EQ(said(s), "") << depth << " " << filter << " " << shade;
            }
}

TEST(UnimplementedNotice, EachOtherValueIsSaidOnceWithWhatIsDrawnInstead) {
    const struct {
        std::function<void(StateRecords&)> change;
        const char* notice;
    } cases[] = {
        {[](StateRecords& s) { s.lights[0].light.Type = D3DLIGHT_SPOT; },
         "D3DLIGHT9.Type value 2 is not implemented; drawing as D3DLIGHT_POINT"},
        {[](StateRecords& s) { s.stage[0][D3DTSS_COLOROP] = D3DTOP_ADD; },
         "D3DTSS_COLOROP value 7 is not implemented; drawing as D3DTOP_MODULATE"},
        {[](StateRecords& s) { s.stage[1][D3DTSS_COLOROP] = D3DTOP_MODULATE; },
         "stage 1 D3DTSS_COLOROP value 4 is not implemented; drawing as D3DTOP_DISABLE"},
        {[](StateRecords& s) { s.fvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE; },
         "SetFVF value 68 is not implemented; drawing as D3DFVF_XYZ|0x40"},
        {[](StateRecords& s) { s.render[D3DRS_FOGENABLE] = TRUE; },
         "D3DRS_FOGENABLE value 1 is not implemented; drawing as 0"},
        {[](StateRecords& s) { s.render[D3DRS_COLORWRITEENABLE] = 0x5; },
         "D3DRS_COLORWRITEENABLE value 5 is not implemented; drawing as 15"},
        {[](StateRecords& s) { s.render[D3DRS_DESTBLEND] = D3DBLEND_INVSRCALPHA; },
         "D3DRS_DESTBLEND value 6 is not implemented; drawing as 1"},
        {[](StateRecords& s) { s.sampler[0][D3DSAMP_ADDRESSU] = D3DTADDRESS_CLAMP; },
         "D3DSAMP_ADDRESSU value 3 is not implemented; drawing as 1"},
    };
    for (const auto& c : cases) {
        StateRecords s = viewer_states();
        c.change(s);
        EXPECT_EQ(said(s), std::string("platform: ") + c.notice + "\n");
    }
}

} // namespace
