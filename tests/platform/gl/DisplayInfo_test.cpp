#include "platform/gl/DisplayInfo.h"

#include <gtest/gtest.h>

namespace {

TEST(ExtensionListHas, MatchesWholeEntriesExactly)
{
    const std::string list = "GL_ARB_multitexture GL_EXT_abgr  GL_ARB_multi_bind ";
    EXPECT_TRUE(platform::ExtensionListHas(list, "GL_ARB_multitexture"));
    EXPECT_TRUE(platform::ExtensionListHas(list, "GL_EXT_abgr"));
    EXPECT_TRUE(platform::ExtensionListHas(list, "GL_ARB_multi_bind"));
    EXPECT_FALSE(platform::ExtensionListHas(list, "GL_ARB_multi"));
    EXPECT_FALSE(platform::ExtensionListHas(list, "GL_ARB_multitexture_more"));
    EXPECT_FALSE(platform::ExtensionListHas(list, "gl_ext_abgr"));
    EXPECT_FALSE(platform::ExtensionListHas(list, "GL_EXT_abgr GL_ARB_multi_bind"));
    EXPECT_FALSE(platform::ExtensionListHas(list, ""));
    EXPECT_FALSE(platform::ExtensionListHas("", "GL_EXT_abgr"));
}

} // namespace
