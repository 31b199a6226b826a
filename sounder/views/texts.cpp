// The built-in English text table.  Ids 101-383 carry the program's own
// texts; ids that the trees, reports and the viewer use beyond them (357-359,
// 364, 384-402, 409, 410) have texts here too so that no label renders blank.
// 411 is this library's own: the text report's sentence that says what its
// entry-point verification checks, and 412 the one that stands in when the
// check could not be made (free ids, no language file uses them); so are
// 425-428, the compliance lists and the next-version highlight, and 440-443,
// the limits of the core-profile context and those below what OpenGL
// requires.
// Rich-text fragments (113-140, 308, 309, 384-389) hold RTF control words
// with one backslash; 308 and 309 enclose their arguments in the control
// character 8.
#include "views/texts.h"

#include <algorithm>
#include <iterator>

#include "sounder/texts.h"

namespace sounder {
namespace {

const BuiltinText kTexts[] = {
    {101, "&About Lumenscope"},
    {102, "Lumenscope is a utility that reports information about the OpenGL driver of your 3D "
          "accelerator like OpenGL capabilities, OpenGL graphics contexts and display modes. This "
          "information can be saved to a report. Click on tabs for more information like extension "
          "list, display modes and OpenGL  contexts list. You can also get extension's "
          "specification thru 3 differents registry database."},
    {103, "Lumenscope\nVersion %s"},
    {104, "Lumenscope reads what your OpenGL driver offers. OpenGL is a trademark of its owner; "
          "other names belong to their respective owners."},
    {105, "Save Lumenscope file"},
    {106, "Load Lumenscope file"},
    {107, "https://lumenscope.corvane.net/"},
    {108, "ftp://ftp.corvane.net/lumenscope/tessera-ext.zip"},
    {109, "https://registry.khronos.org/OpenGL/extensions/"},
    {110, "https://developer.download.nvidia.com/opengl/specs/"},
    {111, "https://opengl.gpuinfo.org/listreports.php?extension="},
    {112, "https://duckduckgo.com/?q="},
    {113, "\\b No multitexturing extension.\\b0 \\line This may leads performance loss on some "
          "application.\n"},
    {114, "\\i Multitexture support.\\i0 \\line This features speed up rendering complex rendering "
          "like lightmaps or environment mapping."},
    {115, "\\b No compiled vertex array.\\b0 \\line This may leads performance loss on some "
          "applications"},
    {116, "\\i Compiled vertex array support.\\i0 \\line This extension improve OpenGL "
          "performances by used video memory for vertex transformation."},
    {117, "\\b No 8bit palette texture support.\\b0 \\line This may leads performance loss on some "
          "old applications."},
    {118,
     "\\i Secondary color support.\\i0 \\line This feature enables specular lighting on polygons."},
    {119, "\\b No secondary color support.\\b0 \\line Some applications may not render polygons "
          "correctly."},
    {120, "\\i S3TC compression support.\\i0 \\line This feature can increase texture mapping "
          "bandwidth in some applications by using a loss-compression mode."},
    {121, "\\b No S3TC compression support.\\b0 \\line This may leads performances loss on some "
          "applications."},
    {122, "\\i nVidia VAR extension found.\\i0 \\line This feature can improve some recent "
          "applications by using AGP for dynamic transformation."},
    {123,
     "\\i Vertex Program extension found. \\i0 \\line This feature enables vertex programming (DX8 "
     "Vertex Shader). This extension might be required for actual or future OpenGL programs."},
    {124, "\\b No vertex program extension found\\b0 \\line This feature enables vertex "
          "programming (DX8 Vertex Shader) Some for actual or future OpenGL programs may requires "
          "this extension to run."},
    {125,
     "\\i Fragment Program extension found. \\i0 \\line This feature enables per pixel programming "
     "(DX8 Pixel Shader). This extension might be required for actual or future OpenGL programs."},
    {126, "\\b No Fragment program extension found. \\b0 \\line This feature enables per pixel "
          "programming (DX8 Pixel Shader) Some for actual or future OpenGL programs may requires "
          "this extension to run."},
    {127, "\\b No Texture Edge Clamp extension.\\b0 \\line This feature enables an important DX6 "
          "feature for texture mapping. Some programs may not renders texture correctly (black "
          "line on borders)"},
    {128, "\\i Texture Edge Clamp extension found. \\i0 \\line This feature enables an important "
          "DX6 feature for texture mapping. "},
    {129, "\\i Texture Anisotropic filtering extension found. \\i0 \\line This feature improves "
          "quality texture mapping quality rendering."},
    {130, "\\b Few texture units found.\\b0 \\line This would slow down some applications using "
          "Fragment Program or extensive texture mapping."},
    {131, "\\b Small texture size support. \\b0 \\line Some programs may not display large "
          "textures correctly."},
    {132, "\\i Occlusion test support \\i0 \\line This extension provides an hardware accelerated "
          "culling for objects."},
    {133, "\\b No Hardware support \\b0 \\line You current desktop configuration DOES NOT support "
          "OpenGL Hardware Accelerated."},
    {134, "\\b No Stencil support \\b0 \\line Your current desktop configuration DOES NOT support "
          "stencil buffering. Some applications may not run."},
    {135, "\\b No ZBuffer support \\b0 \\line You current desktop configuration DOES NOT support "
          "Z-buffering."},
    {136, "This page reports highlights on your current OpenGL configuration. Bold texts requires "
          "special attention. Press 'Test OpenGL' for testing OpenGL rendering."},
    {137, "https://developer.apple.com/opengl/extensions.html#"},
    {138, "\\b No ICD Registry Entry. \\b0 \\line The current OpenGL driver doesn't expose the "
          "SOFTWARE/Microsoft/Windows (NT)/CurrentVersion/OpenGLDrivers registry entry. Unable to "
          "detects driver version, driver revision name and filename."},
    {139, "Lumenscope will now send a report of your configuration. e-mail address will not be "
          "kept by the server. Also only the Lumenscope Information will be sent (as XML form)."},
    {140, "\\i Point sprites support \\i0 \\line This extension provides point sprites support."},
    {141, "Extensions"},
    {142, "Display Modes"},
    {143, "Pixel formats"},
    {144, "Report"},
    {145, "Width"},
    {146, "Height"},
    {147, "Depth"},
    {148, "File"},
    {149, "Database"},
    {150, "Help"},
    {151, "Open"},
    {152, "Open recent"},
    {153, "Save"},
    {154, "Refresh"},
    {155, "Exit"},
    {156, "Submit"},
    {157, "Bookmarks"},
    {158, "Download latest database"},
    {159, "About"},
    {160, "Updates"},
    {161, "Vendor"},
    {162, "Capabilities"},
    {163, "Implementations Specifics"},
    {164, "Framebuffer properties"},
    {165, "Max.viewport size %d x %d"},
    {166, "Max Auxiliary buffers %d"},
    {167, "Sub-Pixel precision %d bits"},
    {168, "Max. Stack size"},
    {169, "Attrib. stack %d"},
    {170, "Modelview matrix stack %d"},
    {171, "Name stack %d"},
    {172, "Projection matrix stack %d"},
    {173, "Texture matrix stack %d"},
    {174, "Various limitations"},
    {175, "System: %s"},
    {176, "Desktop"},
    {177, "Supported"},
    {178, "Unsupported"},
    {179, "Expand all"},
    {180, "Collapse all"},
    {182, "Format not recognized"},
    {183, "Data successfully submitted. Thanks you !"},
    {184, "An error has occured when sending submission."},
    {185, "yes"},
    {186, "no"},
    {187, "Line width granularity %f"},
    {188, "Line width range %f to %f"},
    {189, "Max. display list nesting level %d"},
    {190, "Max. number of clipping planes %d"},
    {191, "ICD Driver"},
    {192, "Core features set"},
    {193, "Max. number of light sources %d"},
    {194, "Max. pixel map table size %d"},
    {195, "Max. evaluator order %d"},
    {196, "Max. texture size %d x %d"},
    {197, "Point size granularity %f"},
    {198, "Point size range %f to %f"},
    {199, "Extension specifics"},
    {200, "Anisotropic filtering"},
    {201, "Max. anisotropy %d"},
    {202, "Cubic env. mapping"},
    {203, "Max. cube map texture size %d x %d"},
    {204, "Texture compression"},
    {205, "Max. recommended index count %d"},
    {206, "Max. recommended vertex count %d"},
    {207, "Vertex Blending"},
    {208, "Extensions"},
    {209, "Renderer"},
    {210, "Max. vertex blend channels %d"},
    {211, "Version"},
    {212, "Search"},
    {213, "Test"},
    {214, "Multitexture"},
    {215, "Texture units %d"},
    {216, "Texture rectangle"},
    {217, "Max. texture rectangle size %d x %d"},
    {218, "Texture 3D"},
    {219, "Max. texture 3D size %d x %d x %d"},
    {220, "Vertex program"},
    {221, "Fragment program"},
    {222, "Max. instructions %d"},
    {223, "Max. native instructions %d"},
    {224, "Max. temporaries %d"},
    {225, "Max. native temporaries %d"},
    {226, "Max. parameters %d"},
    {227, "Max. native parameters %d"},
    {228, "Max. attribs %d"},
    {229, "Max. native attribs %d"},
    {230, "Max. address registers %d"},
    {231, "Max. native address registers %d"},
    {232, "Max. local parameters %d"},
    {233, "Max. env parameter %d"},
    {234, "Max. vertex attribute %d"},
    {235, "Max. program matrices %d"},
    {236, "Max. program stack depth %d"},
    {237, "Max. program ALU instructions %d"},
    {238, "Max. program attribs %d"},
    {239, "Max. program env parameters %d"},
    {240, "Max. program instructions %d"},
    {241, "Max. program local parameters %d"},
    {242, "Max. program matrix stack depth %d"},
    {243, "Max. program native ALU instructions %d"},
    {244, "Max. program native attribs %d"},
    {245, "Max. program native parameters %d"},
    {246, "Max. program native temporaries %d"},
    {247, "Max. program native texture indirections %d"},
    {248, "Max. program native texture instructions %d"},
    {249, "Max. program native instructions %d"},
    {250, "Max. program parameters %d"},
    {251, "Max. program temporaries %d"},
    {252, "Max. program address registers %d"},
    {253, "Max. program native address registers %d"},
    {254, "Max. program texture indirections %d"},
    {255, "Max. program texture instructions %d"},
    {256, "Max. texture coords %d"},
    {257, "Max. texture image units %d"},
    {258, "Texture Env."},
    {259, "Texture Env. Combine"},
    {260, "Vertex array range"},
    {261, "Max. VAR size %d"},
    {262, "PN Triangles"},
    {263, "Max. tesselation %d"},
    {264, "Vertex Streams"},
    {265, "Max. vertex streams %d"},
    {266, "Extended Lightning Parameters"},
    {267, "Max. Spot Exponent %d"},
    {268, "Max. Shininess %d"},
    {269, "Language"},
    {270, "Rendering test"},
    {271, "Initialization Failed."},
    {272, "You cancelled the test by pressing a key"},
    {273, "Did you see a spinning cube with the OpenGL logo on the sides ?"},
    {274, "This will test OpenGL on this device. Okay to proceed ?"},
    {275, "This will use OpenGL %s interfaces."},
    {276, "Search for %s"},
    {277, "Status"},
    {279, "FPS"},
    {280, "Pending"},
    {281, "Passed"},
    {282, "Failed"},
    {283, "Display Mode"},
    {284, "Desktop resolution: %s"},
    {285, "User defined"},
    {286, "Advanced Setting"},
    {287, "Multisample"},
    {288, "Fast"},
    {289, "Use PBuffer"},
    {290, "Some hidden driver features can be switched in this page. This modifies the driver "
          "configuration file ~/.drirc (Mesa); programs started afterwards use the new setting."},
    {291, "Description"},
    {292, "Registry"},
    {293, "Processor Mode: %s"},
    {294, "New extensions or adapter has been detected and are not in the main database. Do you "
          "want to submit your updated database to the server ?"},
    {295, "Database"},
    {296, "Accept"},
    {297, "Decline"},
    {298, "Number of matching extensions: %d"},
    {299, "Requires OpenGL %s."},
    {300, "Written against OpenGL %s specs."},
    {301, "Promoted to a core feature in OpenGL %s."},
    {302, "Copy to clipboard"},
    {303, "Cancel"},
    {304, "Affected by"},
    {305, "Dependencies"},
    {306, "Entry point"},
    {307, "Your renderer wasn't in the database. Click here to submit your OpenGL information."},
    {308, "Extension \x08%s\x08 has the entry point \x08 %s\x08"
          "0 missing !\\line"},
    {309, "Extension \x08%s\x08 not in list but has the entry point \x08% s\x08"
          "0 \\line"},
    {310, "Extension verification"},
    {311, "Draw range elements"},
    {312, "Texture LOD bias"},
    {313, "Max. texture LOD bias %d"},
    {315, "Max. sample %d"},
    {316, "Register Combiners"},
    {317, "Max. general register combiners %d"},
    {318, "Draw Buffers"},
    {319, "Max. draw buffers: %d"},
    {320, "Vertex Shader"},
    {321, "Max. uniform vertex components: %d"},
    {322, "Max. varying floats: %d"},
    {323, "Max. combined tex. image units: %d"},
    {324, "Max. vertex tex. image units: %d"},
    {325, "Fragment Shader"},
    {326, "Max. uniform fragment components: %d"},
    {328, "Max. execution instructions: %d"},
    {329, "Max. call stack depth: %d"},
    {330, "Max. if statement nesting: %d"},
    {331, "Max. loop nesting: %d"},
    {332, "Max. loop count: %d"},
    {333, "Alias"},
    {334, "System information"},
    {335, "Occlusion query"},
    {336, "Max. occlusion query bits: %d"},
    {337, "Lumenscope can not run on this system."},
    {338, "Mac OS X 10.2 or later is required."},
    {339, "Num. fragment registers: %d"},
    {340, "Num. fragment constants: %d"},
    {341, "Num. passes: %d"},
    {342, "Num. instructions per pass: %d"},
    {343, "Num. total instructions: %d"},
    {344, "Num. loop back components: %d"},
    {345, "Num. input interpolator components: %d"},
    {346, "Pixel Buffers"},
    {347, "Max. PBuffer Size: %d to %d"},
    {348, "All (%d vendor)"},
    {349, "All (%d vendors)"},
    {350, "All (%d renderer)"},
    {351, "All (%d renderers)"},
    {352, "All (%d extension)"},
    {353, "All (%d extensions)"},
    {354, "Stretched"},
    {355, "Show all"},
    {356, "Adapter information"},
    {357, "Renderer: %s"},
    {358, "Vendor: %s"},
    {359, "Unable to save the file %s"},
    {364, "Your database has been updated."},
    {365, "Bus: %s"},
    {366, "Memory: %d MB"},
    {367, "Texture formats"},
    {368, "Check for updates"},
    {369, "You have already the latest version"},
    {370, "A newer version (%s dated from %s) is available:\n%s\n\nProcess to the download page ?"},
    {371, "Unable to connect to the server"},
    {372, "Aliased line range %f to %f"},
    {373, "Aliased point range %f to %f"},
    {374, "Max client attrib. depth: %d"},
    {375, "Max color matrix stack depth : %d"},
    {376, "Max convolution width x height %d x %d"},
    {377, "ARB imaging"},
    {378, "Max color attachement: %d"},
    {379, "Max color buffer size: %d x %d"},
    {380, "Frame buffer object"},
    {381, "https://registry.khronos.org/OpenGL/extensions/I3D/"},
    {382, "Shading language version: %s"},
    {383, "https://registry.khronos.org/OpenGL/extensions/"},
    {384, "Extension \\b %s\\b0  was added to the database for \\b %s\\b0 .\\line "},
    {385, "Extension \\b %s\\b0  is missing, although this renderer exposed it with driver version "
          "\\b %s\\b0 .\\line "},
    {386, "\\i OpenGL Shading Language support.\\i0 \\line This feature enables programs written "
          "in the OpenGL Shading Language (GLSL vertex and fragment shaders)."},
    {387, "\\b No OpenGL Shading Language support.\\b0 \\line Applications that use GLSL vertex "
          "and fragment shaders will not run."},
    {388, "\\i Framebuffer object support.\\i0 \\line This feature enables fast off-screen "
          "rendering into textures and render buffers."},
    {389, "\\b No framebuffer object support.\\b0 \\line Applications that render into textures "
          "may run slower or not at all."},
    {390, "Driver version: %s - newest version known to the database: %s"},
    {391, "Your driver is the newest version known to the database."},
    {392, "A newer driver version is known to the database: consider updating your driver."},
    {393, "OpenGL 2.0 Specifications"},
    {394, "https://registry.khronos.org/OpenGL/specs/gl/glspec20.pdf"},
    {395, "Geometry shader"},
    {396, "Max. geometry texture image units: %d"},
    {397, "Max. geometry varying components: %d"},
    {398, "Max. vertex varying components: %d"},
    {399, "Max. varying components: %d"},
    {400, "Max. geometry uniform components: %d"},
    {401, "Max. geometry output vertices: %d"},
    {402, "Max. geometry total output components: %d"},
    {403, "New version:"},
    {404, "Released:"},
    {405, "Your version:"},
    {406, "Changes:"},
    {407, "Download page:"},
    {409, "Direct3D: %s"},
    {410, "Shader model: %s"},
    {411, "An entry point counts as present when the driver stack knows the function (it has a "
          "dispatch offset, or for GLX its extension or version is offered). This proves that the "
          "function is known, not that this context implements it."},
    {412, "The OpenGL entry points could not be checked: the vendor library behind this context "
          "offers no way to tell its functions from the loader's stubs. None is reported missing."},
    {425, "Missing:"},
    {426, "shading language %s"},
    {427, "Unresolved entry points:"},
    {428, "\\b OpenGL %s: missing\\b0"},
    {440, "Core profile"},
    {441, "Below what OpenGL requires: %s"},
    {442, "Core profile limits (%s):"},
    {443, "\\b Limits below what OpenGL %s requires:\\b0"},
};

} // namespace

const BuiltinText *builtinTexts(std::size_t *count)
{
    if (count)
        *count = std::size(kTexts);
    return kTexts;
}

const char *builtinText(int id)
{
    const BuiltinText *end = std::end(kTexts);
    const BuiltinText *it = std::lower_bound(std::begin(kTexts), end, id,
                                             [](const BuiltinText &t, int v) { return t.id < v; });
    return it != end && it->id == id ? it->text : nullptr;
}

} // namespace sounder

extern "C" SOUNDER_API const char *tsGetBuiltinText(int id)
{
    return sounder::builtinText(id);
}
