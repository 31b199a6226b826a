#include "views/tree_tables.h"

#include <iterator>

namespace sounder {
namespace {

struct CompressedName {
    uint32_t code;
    const char *name;
};

const CompressedName kCompressed[] = {
    {0x83A0, "RGB S3TC"},   {0x83A1, "RGB4 S3TC"},      {0x83A2, "RGBA S3TC"},
    {0x83A3, "RGBA4 S3TC"}, {0x83A4, "RGBA DXT5 S3TC"}, {0x83A5, "RGBA4 DXT5 S3TC"},
    {0x83F0, "RGB DXT1"},   {0x83F1, "RGBA DXT1"},      {0x83F2, "RGBA DXT3"},
    {0x83F3, "RGBA DXT5"},  {0x86B0, "RGB FXT1"},       {0x86B1, "RGBA FXT1"},
    {0x8837, "3Dc"},        {0x8C70, "L LATC1"},        {0x8C71, "SL LATC1"},
    {0x8C72, "LA LATC2"},   {0x8C73, "SLA LATC2"},      {0x8DBB, "R RGTC1"},
    {0x8DBC, "SR RGTC1"},   {0x8DBD, "RG RGTC2"},       {0x8DBE, "SRG RGTC2"},
};

const TextureFormatRow kTextureFormats[] = {
    {"ALPHA4", "GL_VERSION_1_1"},
    {"ALPHA8", "GL_VERSION_1_1"},
    {"ALPHA12", "GL_VERSION_1_1"},
    {"ALPHA16", "GL_VERSION_1_1"},
    {"DEPTH_COMPONENT16", "GL_ARB_depth_texture"},
    {"DEPTH_COMPONENT24", "GL_ARB_depth_texture"},
    {"DEPTH_COMPONENT32", "GL_ARB_depth_texture"},
    {"LUMINANCE4", "GL_VERSION_1_1"},
    {"LUMINANCE8", "GL_VERSION_1_1"},
    {"LUMINANCE12", "GL_VERSION_1_1"},
    {"LUMINANCE16", "GL_VERSION_1_1"},
    {"LUMINANCE4_ALPHA4", "GL_VERSION_1_1"},
    {"LUMINANCE6_ALPHA2", "GL_VERSION_1_1"},
    {"LUMINANCE8_ALPHA8", "GL_VERSION_1_1"},
    {"LUMINANCE12_ALPHA4", "GL_VERSION_1_1"},
    {"LUMINANCE12_ALPHA12", "GL_VERSION_1_1"},
    {"LUMINANCE16_ALPHA16", "GL_VERSION_1_1"},
    {"INTENSITY4", "GL_VERSION_1_1"},
    {"INTENSITY8", "GL_VERSION_1_1"},
    {"INTENSITY12", "GL_VERSION_1_1"},
    {"INTENSITY16", "GL_VERSION_1_1"},
    {"R3_G3_B2", "GL_VERSION_1_1"},
    {"RGB4", "GL_VERSION_1_1"},
    {"RGB5", "GL_VERSION_1_1"},
    {"RGB8", "GL_VERSION_1_1"},
    {"RGB10", "GL_VERSION_1_1"},
    {"RGB12", "GL_VERSION_1_1"},
    {"RGB16", "GL_VERSION_1_1"},
    {"RGBA2", "GL_VERSION_1_1"},
    {"RGBA4", "GL_VERSION_1_1"},
    {"RGB5_A1", "GL_VERSION_1_1"},
    {"RGBA8", "GL_VERSION_1_1"},
    {"RGB10_A2", "GL_VERSION_1_1"},
    {"RGBA12", "GL_VERSION_1_1"},
    {"RGBA16", "GL_VERSION_1_1"},
    {"COLOR_INDEX1", "GL_EXT_paletted_texture"},
    {"COLOR_INDEX2", "GL_EXT_paletted_texture"},
    {"COLOR_INDEX4", "GL_EXT_paletted_texture"},
    {"COLOR_INDEX8", "GL_EXT_paletted_texture"},
    {"COLOR_INDEX12", "GL_EXT_paletted_texture"},
    {"COLOR_INDEX16", "GL_EXT_paletted_texture"},
    {"SIGNED_LUMINANCE8", "GL_NV_texture_shader"},
    {"SIGNED_LUMINANCE8_ALPHA8", "GL_NV_texture_shader"},
    {"SIGNED_RGB8", "GL_NV_texture_shader"},
    {"SIGNED_RGBA8", "GL_NV_texture_shader"},
    {"SIGNED_RGB8_UNSIGNED_ALPHA8", "GL_NV_texture_shader"},
    {"SIGNED_ALPHA8", "GL_NV_texture_shader"},
    {"SIGNED_INTENSITY8", "GL_NV_texture_shader"},
    {"HILO16", "GL_NV_texture_shader"},
    {"SIGNED_HILO16", "GL_NV_texture_shader"},
    {"DSDT8", "GL_NV_texture_shader"},
    {"DSDT8_MAG8", "GL_NV_texture_shader"},
    {"DSDT8_MAG8_INTENSITY8", "GL_NV_texture_shader"},
    {"HILO8", "GL_NV_texture_shader3"},
    {"SIGNED_HILO8", "GL_NV_texture_shader3"},
    {"FLOAT_R16", "GL_NV_float_buffer"},
    {"FLOAT_R32", "GL_NV_float_buffer"},
    {"FLOAT_RG16", "GL_NV_float_buffer"},
    {"FLOAT_RGB16", "GL_NV_float_buffer"},
    {"FLOAT_RGBA16", "GL_NV_float_buffer"},
    {"FLOAT_RG32", "GL_NV_float_buffer"},
    {"FLOAT_RGB32", "GL_NV_float_buffer"},
    {"FLOAT_RGBA32", "GL_NV_float_buffer"},
    {"RGBA_FLOAT32", "GL_ATI_texture_float"},
    {"RGB_FLOAT32", "GL_ATI_texture_float"},
    {"ALPHA_FLOAT32", "GL_ATI_texture_float"},
    {"INTENSITY_FLOAT32", "GL_ATI_texture_float"},
    {"LUMINANCE_FLOAT32", "GL_ATI_texture_float"},
    {"LUMINANCE_ALPHA_FLOAT32", "GL_ATI_texture_float"},
    {"RGBA_FLOAT16", "GL_ATI_texture_float"},
    {"RGB_FLOAT16", "GL_ATI_texture_float"},
    {"ALPHA_FLOAT16", "GL_ATI_texture_float"},
    {"INTENSITY_FLOAT16", "GL_ATI_texture_float"},
    {"LUMINANCE_FLOAT16", "GL_ATI_texture_float"},
    {"LUMINANCE_ALPHA_FLOAT16", "GL_ATI_texture_float"},
    {"YCBCR_422_APPLE", "GL_APPLE_ycbcr_422"},
    {"RGBA_FLOAT32_APPLE", "GL_APPLE_float_pixels"},
    {"RGB_FLOAT32_APPLE", "GL_APPLE_float_pixels"},
    {"ALPHA_FLOAT32_APPLE", "GL_APPLE_float_pixels"},
    {"INTENSITY_FLOAT32_APPLE", "GL_APPLE_float_pixels"},
    {"LUMINANCE_FLOAT32_APPLE", "GL_APPLE_float_pixels"},
    {"LUMINANCE_ALPHA_FLOAT32_APPLE", "GL_APPLE_float_pixels"},
    {"RGBA_FLOAT16_APPLE", "GL_APPLE_float_pixels"},
    {"RGB_FLOAT16_APPLE", "GL_APPLE_float_pixels"},
    {"ALPHA_FLOAT16_APPLE", "GL_APPLE_float_pixels"},
    {"INTENSITY_FLOAT16_APPLE", "GL_APPLE_float_pixels"},
    {"LUMINANCE_FLOAT16_APPLE", "GL_APPLE_float_pixels"},
    {"LUMINANCE_ALPHA_FLOAT16_APPLE", "GL_APPLE_float_pixels"},
};

} // namespace

const char *compressedFormatName(uint32_t code)
{
    // Later rows win where a code occurs twice.
    const char *name = nullptr;
    for (const CompressedName &row : kCompressed)
        if (row.code == code)
            name = row.name;
    return name;
}

const TextureFormatRow *textureFormatTable(size_t *rows)
{
    if (rows)
        *rows = std::size(kTextureFormats);
    return kTextureFormats;
}

} // namespace sounder
