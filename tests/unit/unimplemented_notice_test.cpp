// A state value the layer does not implement is said once on standard error, naming what is drawn instead,
// however often a program is made for it; the fixed-function generator needs no display to show it.
#include "gl/gl_ffp_key.h"
#include "gl/gl_ffp_source.h"

#include <gtest/gtest.h>

namespace {

using platform::d3d9::FfpKey;

FfpKey one_stage(DWORD colour_op) {
    FfpKey key;
    key.stage_count = 1;
    key.stages[0].colour = {colour_op, D3DTA_DIFFUSE, D3DTA_CURRENT, 0};
    key.stages[0].alpha = {D3DTOP_SELECTARG1, D3DTA_CURRENT, 0, 0};
    return key;
}

TEST(UnimplementedNotice, EachStateValueIsSaidOnceWithWhatIsDrawnInstead) {
    testing::internal::CaptureStderr();
    for (int i = 0; i < 3; ++i) {
        platform::d3d9::ffp_fragment_source(one_stage(D3DTOP_PREMODULATE));
        platform::d3d9::ffp_fragment_source(one_stage(D3DTOP_MODULATE)); // implemented: no word
    }
    FfpKey alpha_test = one_stage(D3DTOP_SELECTARG1);
    alpha_test.alpha_test = true;
    alpha_test.alpha_func = 9;
    platform::d3d9::ffp_fragment_source(alpha_test);
    platform::d3d9::ffp_fragment_source(alpha_test);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "platform: D3DTSS_COLOROP value 17 is not implemented; drawing as D3DTOP_SELECTARG1 of "
              "D3DTA_CURRENT\n"
              "platform: D3DRS_ALPHAFUNC value 9 is not implemented; drawing as D3DCMP_ALWAYS\n");
}

} // namespace
