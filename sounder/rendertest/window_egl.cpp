/* EGL side of the rendering tests.  The test window is a pixel buffer of
 * the requested size on a display without a server: nothing is shown, no
 * events arrive (no keys, no full screen, no closing by the user), frames
 * end with glFinish and screenshots read the pixel buffer.  Text overlays
 * need a window system's fonts and are left out. */
#include <GL/glew.h>

#include "probe/info_internal.h"
#include "probe/platform_egl.h"
#include "rendertest/test_internal.h"

namespace sounder {

class EglTestWindow final : public TestWindowPlatform {
public:
    void windowOpened() override {}
    bool dispatchEvents(bool &quit) override
    {
        quit = !infoWindowOpen();
        return quit;
    }
    void destroyWindow() override { infoDestroyWindow(); }
    GLuint createFont() override { return 0; }
    void releaseFont() override {}
    void makeWindowCurrent() override { eglMakeWindowCurrent(); }
    /* Off-screen targets use framebuffer objects. */
    bool hasPbuffers() override { return false; }
    int createPbuffer(testRenderTarget *) override { return targetNoPixelFormat; }
    void makePbufferCurrent(testRenderTarget *) override {}
    void releasePbuffer(testRenderTarget *) override {}
    void copyPbufferToTexture(testRenderTarget *) override {}
};

TestWindowPlatform *eglTestWindow()
{
    static EglTestWindow window;
    return &window;
}

} // namespace sounder
