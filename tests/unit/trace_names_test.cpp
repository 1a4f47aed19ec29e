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
    EXPECT_EQ(format("SetRenderState", D3DRS_SHADEMODE, DWORD{D3DSHADE_PHONG}),
              "SetRenderState(D3DRS_SHADEMODE, D3DSHADE_PHONG)");
    EXPECT_EQ(format("SetRenderState", D3DRS_ZENABLE, DWORD{D3DZB_FALSE}),
              "SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE)");
    EXPECT_EQ(format("SetRenderState", D3DRS_AMBIENT, DWORD{0xFF323232}),
              "SetRenderState(D3DRS_AMBIENT, 0xFF323232)");
    EXPECT_EQ(format("SetSamplerState", DWORD{0}, D3DSAMP_MIPFILTER, DWORD{D3DTEXF_ANISOTROPIC}),
              "SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_ANISOTROPIC)");
    EXPECT_EQ(format("SetTextureStageState", DWORD{2}, D3DTSS_ALPHAOP, DWORD{D3DTOP_DISABLE}),
              "SetTextureStageState(2, D3DTSS_ALPHAOP, D3DTOP_DISABLE)");
    // A value or a state without a name, and the same number elsewhere in a call, stay numbers.
    EXPECT_EQ(format("SetRenderState", D3DRS_SHADEMODE, DWORD{9}), "SetRenderState(D3DRS_SHADEMODE, 9)");
    EXPECT_EQ(format("SetRenderState", D3DRS_FOGENABLE, DWORD{1}), "SetRenderState(D3DRS_FOGENABLE, 1)");
    EXPECT_EQ(format("GetLight", DWORD{3}), "GetLight(3)");
    EXPECT_EQ(format("SetTransform", D3DTS_WORLDMATRIX(3)), "SetTransform(259)");
}

TEST_F(TraceNames, FlagsPrintByNameWithUnnamedBitsInHexadecimal) {
    EXPECT_EQ(format("SetFVF", DWORD{D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1}),
              "SetFVF(D3DFVF_XYZ|D3DFVF_NORMAL|D3DFVF_TEX1)");
    EXPECT_EQ(format("SetFVF", DWORD{D3DFVF_XYZ | D3DFVF_DIFFUSE}), "SetFVF(D3DFVF_XYZ|0x40)");
    EXPECT_EQ(format("SetFVF", DWORD{0}), "SetFVF(0)");
    EXPECT_EQ(format("Clear", DWORD{0}, nullptr, DWORD{D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | 0x40}),
              "Clear(0, null, D3DCLEAR_TARGET|D3DCLEAR_ZBUFFER|0x40)");
}

} // namespace
