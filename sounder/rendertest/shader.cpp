/* Shader scripts, test images and the default test data. */
#include <cstring>
#include <string>

#include "keel/keel.h"
#include "common/paths.h"
#include "rendertest/test_internal.h"

namespace sounder {

namespace {

enum Section { sectionNone, sectionVertex, sectionFragment };

struct ShaderParse {
    tsShader *shader;
    Section section;
};

int onShaderElement(uint64_t user, char *name, char *)
{
    auto *p = reinterpret_cast<ShaderParse *>(user);
    if (std::strcmp(name, "VS") == 0)
        p->section = sectionVertex;
    else if (std::strcmp(name, "PS") == 0)
        p->section = sectionFragment;
    return 0;
}

int onShaderTag(uint64_t, char *)
{
    return 0;
}

void onShaderCData(uint64_t user, const char *data, sysSize length)
{
    auto *p = reinterpret_cast<ShaderParse *>(user);
    char **slot = p->section == sectionVertex ? &p->shader->vertex : &p->shader->fragment;
    char *copy = static_cast<char *>(sysMemAlloc(length + 1));
    if (!copy)
        return;
    std::memcpy(copy, data, static_cast<size_t>(length));
    copy[length] = '\0';
    if (*slot)
        sysMemFree(*slot);
    *slot = copy;
}

/* Little-endian readers for the bitmap headers. */
uint32_t rd32(const uint8_t *p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
uint16_t rd16(const uint8_t *p)
{
    return uint16_t(p[0] | p[1] << 8);
}

/* Largest image side accepted from a file. */
constexpr int32_t kMaxImageSide = 16384;

} // namespace

char *testPrepareShaderText(const char *text, bool fog, bool clipPlane)
{
    if (!text)
        return nullptr;
    std::string defines;
    if (fog)
        defines += "#define USE_FOG\n";
    if (clipPlane)
        defines += "#define USE_CLIP_PLANE\n";

    /* GLSL wants #version before anything else but blank space and
     * comments; the defines go right after such a line.  Without one they
     * go in front of the text. */
    const size_t len = std::strlen(text);
    size_t i = 0;
    for (;;) {
        while (i < len && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r' || text[i] == '\n'))
            ++i;
        if (i + 1 < len && text[i] == '/' && text[i + 1] == '/') {
            const char *nl = std::strchr(text + i, '\n');
            i = nl ? size_t(nl - text) + 1 : len;
        } else if (i + 1 < len && text[i] == '/' && text[i + 1] == '*') {
            const char *close = std::strstr(text + i + 2, "*/");
            if (!close) {
                i = len; /* an open comment: no directive follows */
                break;
            }
            i = size_t(close - text) + 2;
        } else {
            break;
        }
    }
    size_t split = 0;
    std::string out;
    if (i < len && text[i] == '#') {
        size_t j = i + 1;
        while (j < len && (text[j] == ' ' || text[j] == '\t'))
            ++j;
        if (std::strncmp(text + j, "version", 7) == 0) {
            const char *nl = std::strchr(text + j, '\n');
            split = nl ? size_t(nl - text) + 1 : len;
            out.assign(text, split);
            if (!nl)
                out += '\n';
        }
    }
    out += defines;
    out.append(text + split, len - split);

    char *result = static_cast<char *>(sysMemAlloc(out.size() + 1));
    if (!result)
        return nullptr;
    std::memcpy(result, out.c_str(), out.size() + 1);
    return result;
}

} // namespace sounder

using namespace sounder;

extern "C" {

const char *const tsTestShaderFiles[TS_TEST_SHADER_COUNT] = {"shaderARB.kls",  "shaderARBFog.kls",
                                                             "shaderGLSL.kls", "shaderGLSL21.kls",
                                                             "shaderMRT1.kls", "shaderMRT2.kls"};

SOUNDER_API int32_t tsLoadShaderFromCString(tsShader *shader, const char *text)
{
    if (!shader)
        return 0;
    shader->vertex = nullptr;
    shader->fragment = nullptr;
    ShaderParse parse{shader, sectionNone};
    sysXmlCallbacks cb;
    cb.user = reinterpret_cast<uint64_t>(&parse);
    cb.onElement = onShaderElement;
    cb.onTag = onShaderTag;
    cb.onCData = onShaderCData;
    sysXmlParseDocument(&cb, text);
    return 0;
}

SOUNDER_API int32_t tsLoadShader(tsShader *shader, const char *path)
{
    if (!shader || !path)
        return -1;
    char *buffer = nullptr;
    sysSize size = 0;
    if (sysFileReadToBuffer(path, &buffer, &size) != 0 || !buffer || size == 0) {
        if (buffer)
            sysFileFreeBuffer(buffer);
        return -1;
    }
    tsLoadShaderFromCString(shader, buffer);
    sysFileFreeBuffer(buffer);
    return 0;
}

SOUNDER_API void tsReleaseShader(tsShader *shader)
{
    if (!shader)
        return;
    if (shader->vertex)
        sysMemFree(shader->vertex);
    if (shader->fragment)
        sysMemFree(shader->fragment);
    shader->vertex = nullptr;
    shader->fragment = nullptr;
}

SOUNDER_API tsImage *tsLoadImage(const char *path)
{
    if (!path)
        return nullptr;
    char *buffer = nullptr;
    sysSize size = 0;
    if (sysFileReadToBuffer(path, &buffer, &size) != 0 || !buffer) {
        if (buffer)
            sysFileFreeBuffer(buffer);
        return nullptr;
    }
    const uint8_t *b = reinterpret_cast<const uint8_t *>(buffer);
    tsImage *image = nullptr;
    do {
        if (size < 54 || b[0] != 'B' || b[1] != 'M')
            break;
        const uint64_t offset = rd32(b + 10);
        const uint32_t infoSize = rd32(b + 14);
        if (infoSize < 40 || 14 + uint64_t(infoSize) > size)
            break;
        const int32_t width = int32_t(rd32(b + 18));
        const int32_t rawHeight = int32_t(rd32(b + 22));
        const uint16_t planes = rd16(b + 26);
        const uint16_t bits = rd16(b + 28);
        const uint32_t compression = rd32(b + 30);
        if (planes != 1 || (bits != 24 && bits != 32) || compression != 0)
            break;
        if (width <= 0 || width > kMaxImageSide || rawHeight == 0 || rawHeight < -kMaxImageSide ||
            rawHeight > kMaxImageSide)
            break;
        const int32_t height = rawHeight < 0 ? -rawHeight : rawHeight;
        const uint64_t stride = (uint64_t(width) * (bits / 8) + 3) & ~uint64_t(3);
        const uint64_t bytes = stride * uint64_t(height);
        if (offset < 14 + uint64_t(infoSize) || offset > size || size - offset < bytes)
            break;
        auto *img = static_cast<tsImage *>(sysMemAlloc(sizeof(tsImage)));
        if (!img)
            break;
        img->pixels = static_cast<uint8_t *>(sysMemAlloc(bytes));
        if (!img->pixels) {
            sysMemFree(img);
            break;
        }
        img->width = width;
        img->height = height;
        img->bitsPerPixel = bits;
        img->stride = int32_t(stride);
        /* Rows are kept bottom-up; a top-down file is turned over. */
        for (int32_t row = 0; row < height; ++row) {
            const int32_t src = rawHeight < 0 ? height - 1 - row : row;
            std::memcpy(img->pixels + uint64_t(row) * stride, b + offset + uint64_t(src) * stride,
                        stride);
        }
        image = img;
    } while (false);
    sysFileFreeBuffer(buffer);
    return image;
}

SOUNDER_API void tsReleaseImage(tsImage *image)
{
    if (!image)
        return;
    if (image->pixels)
        sysMemFree(image->pixels);
    sysMemFree(image);
}

SOUNDER_API int32_t tsTestLoadDefaults(tsTestOptions *options)
{
    if (!options)
        return TS_TEST_SHADER_COUNT + 2;
    std::memset(options, 0, sizeof(*options));
    options->hardware = 1;
    int32_t missing = 0;
    for (int i = 0; i < TS_TEST_SHADER_COUNT; ++i)
        if (tsLoadShader(&options->shaders[i], dataFilePath(tsTestShaderFiles[i]).c_str()) != 0)
            ++missing;
    options->image0 = tsLoadImage(dataFilePath(TS_TEST_IMAGE_BASE).c_str());
    options->image1 = tsLoadImage(dataFilePath(TS_TEST_IMAGE_NORMAL).c_str());
    missing += options->image0 ? 0 : 1;
    missing += options->image1 ? 0 : 1;
    return missing;
}

SOUNDER_API void tsTestReleaseDefaults(tsTestOptions *options)
{
    if (!options)
        return;
    for (auto &s : options->shaders)
        tsReleaseShader(&s);
    tsReleaseImage(options->image0);
    tsReleaseImage(options->image1);
    options->image0 = nullptr;
    options->image1 = nullptr;
}

} // extern "C"
