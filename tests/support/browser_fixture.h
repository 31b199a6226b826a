// A small database for the database browser: four vendors, six renderers on
// three systems (one written "linux" in lower case), and extensions whose
// links make every narrowing rule visible.  Renderer versions are those of
// their first link; GL_NV_fence lists GeForce 8800 under another version.
#ifndef TESTS_SUPPORT_BROWSER_FIXTURE_H
#define TESTS_SUPPORT_BROWSER_FIXTURE_H

inline const char *browserFixtureDatabase()
{
    return R"(<?xml version="1.0"?>
<tessera version="3">
<ext name="GL_APPLE_y"><renderer vendor="Apple" name="Apple Software Renderer" version="1.0" os="Mac"/></ext>
<ext name="GL_ARB_multitexture">
<renderer vendor="ATI Technologies Inc." name="Radeon 9700" version="6.14.1" os="Win"/>
<renderer vendor="NVIDIA Corporation" name="GeForce 7800" version="91.31" os="Win"/>
<renderer vendor="NVIDIA Corporation" name="GeForce 8800" version="100.14" os="Linux"/>
<renderer vendor="Mesa/X.org" name="llvmpipe" version="22.3.6" os="Linux"/>
<renderer vendor="Mesa/X.org" name="softpipe" version="22.3.6" os="linux"/>
<renderer vendor="Apple" name="Apple Software Renderer" version="1.0" os="Mac"/>
</ext>
<ext name="GL_ATI_fragment_shader"><renderer vendor="ATI Technologies Inc." name="Radeon 9700" version="6.14.1" os="Win"/></ext>
<ext name="GL_EXT_A"><renderer vendor="NVIDIA Corporation" name="GeForce 7800" version="91.31" os="Win"/></ext>
<ext name="GL_EXT_B"><renderer vendor="NVIDIA Corporation" name="GeForce 8800" version="100.14" os="Linux"/></ext>
<ext name="GL_EXT_nolinks"/>
<ext name="GL_MESA_x"><renderer vendor="Mesa/X.org" name="llvmpipe" version="22.3.6" os="Linux"/></ext>
<ext name="GL_NV_fence">
<renderer vendor="NVIDIA Corporation" name="GeForce 7800" version="91.31" os="Win"/>
<renderer vendor="NVIDIA Corporation" name="GeForce 8800" version="100.20" os="Linux"/>
</ext>
</tessera>
)";
}

#endif
