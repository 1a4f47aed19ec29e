// The platform's names in call-trace lines: a state's value takes the type of its state, flags print as
// their names joined by '|' with any unnamed bits in hexadecimal, and a number without a name stays a number.
#include "trace/trace_format.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

using platform::trace::format;

class TraceNames : public testing::Test {
  protected:
    void SetUp() override {
        platform::trace::enable(true);
    }
    void TearDown() override {
        platform::trace::enable(false);
    }
};

TEST_F(TraceNames, AStatesValueIsNamedByTheStateAndUnknownValuesStayNumbers) {
    EXPECT_EQ(format("SetRenderState", D3DRS_CULLMODE, DWORD{D3DCULL_NONE}),
              "SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE)");
    EXPECT_EQ(format("SetRenderState", D3DRS_ZFUNC, DWORD{D3DCMP_LESSEQUAL}),
              "SetRenderState(D3DRS_ZFUNC, D3DCMP_LESSEQUAL)");
    EXPECT_EQ(format("SetRenderState", D3DRS_FOGEND, std::bit_cast<DWORD>(0.5f)),
              "SetRenderState(D3DRS_FOGEND, 0.5)");
    EXPECT_EQ(format("SetRenderState", D3DRS_SHADEMODE, DWORD{9}), "SetRenderState(D3DRS_SHADEMODE, 9)");
    EXPECT_EQ(format("SetRenderState", static_cast<D3DRENDERSTATETYPE>(250), DWORD{1}),
              "SetRenderState(250, 1)");
    EXPECT_EQ(format("SetSamplerState", DWORD{1}, D3DSAMP_ADDRESSU, DWORD{D3DTADDRESS_CLAMP}),
              "SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP)");
    EXPECT_EQ(
        format("SetTextureStageState", DWORD{0}, D3DTSS_COLORARG1, DWORD{D3DTA_TEXTURE | D3DTA_COMPLEMENT}),
        "SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE|D3DTA_COMPLEMENT)");
    // The same number elsewhere in a call, or in a call that takes no names there, stays a number.
    EXPECT_EQ(format("GetLight", DWORD{3}), "GetLight(3)");
    EXPECT_EQ(format("SetTransform", D3DTS_WORLDMATRIX(3)), "SetTransform(D3DTS_WORLDMATRIX(3))");
}

TEST_F(TraceNames, FlagsPrintByNameWithUnnamedBitsInHexadecimal) {
    EXPECT_EQ(format("SetFVF", DWORD{D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX2 | D3DFVF_TEXCOORDSIZE3(0)}),
              "SetFVF(D3DFVF_XYZRHW|D3DFVF_DIFFUSE|D3DFVF_TEX2|0x10000)");
    EXPECT_EQ(format("SetFVF", DWORD{0}), "SetFVF(0)");
    EXPECT_EQ(format("Clear", DWORD{0}, nullptr, DWORD{D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | 0x40}),
              "Clear(0, null, D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER|0x40)");
}

} // namespace
