/* The seven test units: the same textured, lit cube fed to the driver in
 * seven ways (immediate mode, locked arrays, multitexture, ARB vertex
 * program, vertex buffer objects, shading language, pixel buffer object). */
#include <cstdint>
#include <cstring>
#include <vector>

#include "keel/keel.h"
#include "sounder/probe.h"
#include "rendertest/test_internal.h"

namespace sounder {

namespace {

constexpr float s = 0.707107f;

/* Vertex data in one block: texture coordinates, positions, normals,
 * tangents, then 12 zero bytes; loaded as a whole into the vertex buffer. */
struct CubeData {
    GLfloat texCoords[24 * 2];
    GLfloat positions[24 * 3];
    GLfloat normals[24 * 3];
    GLfloat tangents[24 * 3];
    uint8_t zero[12];
};
static_assert(sizeof(CubeData) == 1068, "the vertex block is 1,068 bytes");

const CubeData kCube = {{/* front */ 0,  0, 1, 0, 1, 1, 0, 1,
                         /* back */ 1,   0, 1, 1, 0, 1, 0, 0,
                         /* top */ 0,    1, 0, 0, 1, 0, 1, 1,
                         /* bottom */ 1, 1, 0, 1, 0, 0, 1, 0,
                         /* right */ 1,  0, 1, 1, 0, 1, 0, 0,
                         /* left */ 0,   0, 1, 0, 1, 1, 0, 1},
                        {/* front */ -1,  -1, 1,  1,  -1, 1,  1,  1,  1,  -1, 1,  1,
                         /* back */ -1,   -1, -1, -1, 1,  -1, 1,  1,  -1, 1,  -1, -1,
                         /* top */ -1,    1,  -1, -1, 1,  1,  1,  1,  1,  1,  1,  -1,
                         /* bottom */ -1, -1, -1, 1,  -1, -1, 1,  -1, 1,  -1, -1, 1,
                         /* right */ 1,   -1, -1, 1,  1,  -1, 1,  1,  1,  1,  -1, 1,
                         /* left */ -1,   -1, -1, -1, -1, 1,  -1, 1,  1,  -1, 1,  -1},
                        {0, 0,  1,  0, 0,  1,  0,  0,  1, 0,  0,  1, 0,  0, -1, 0,  0, -1,
                         0, 0,  -1, 0, 0,  -1, 0,  1,  0, 0,  1,  0, 0,  1, 0,  0,  1, 0,
                         0, -1, 0,  0, -1, 0,  0,  -1, 0, 0,  -1, 0, 1,  0, 0,  1,  0, 0,
                         1, 0,  0,  1, 0,  0,  -1, 0,  0, -1, 0,  0, -1, 0, 0,  -1, 0, 0},
                        {/* front */ -s,  s,  0,  0, 1, 0, -s, s,  0,  -1, 0,  0,
                         /* back */ s,    -s, 0,  1, 0, 0, s,  -s, 0,  0,  -1, 0,
                         /* top */ s,     0,  -s, 1, 0, 0, s,  0,  -s, 0,  0,  -1,
                         /* bottom */ -s, 0,  s,  0, 0, 1, -s, 0,  s,  -1, 0,  0,
                         /* right */ 0,   -s, s,  0, 0, 1, 0,  -s, s,  0,  -1, 0,
                         /* left */ 0,    s,  -s, 0, 1, 0, 0,  s,  -s, 0,  0,  -1},
                        {0}};

const GLushort kIndices[24] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11,
                               12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23};
static_assert(sizeof(kIndices) == 48, "the index block is 48 bytes");

/* Unit state: array pointers (client addresses or buffer offsets) and the
 * GL objects the units make. */
struct UnitState {
    const void *indices = nullptr;
    const void *texCoords = nullptr;
    const void *positions = nullptr;
    const void *normals = nullptr;
    const void *tangents = nullptr;
    GLuint vertexBuffer = 0;
    GLuint indexBuffer = 0;
    GLuint vertexProgram = 0;
    GLhandleARB shaderProgram = 0;
    GLuint pixelBuffer = 0;
    GLuint pixelTexture = 0;
    double zoomScale = 1.0;
    double zoomStep = 0.05;
};

UnitState &units()
{
    static UnitState u;
    return u;
}

const void *offset(uintptr_t bytes)
{
    return reinterpret_cast<const void *>(bytes);
}

int testRequireGL11()
{
    if (GLEW_VERSION_1_1)
        return 0;
    tsReportFailure("OpenGL 1.1 not supported.\n");
    return -1;
}

int testSetupGeometry(testSetupOp setup)
{
    UnitState &u = units();
    TestState &g = testState();
    u.indices = kIndices;
    u.texCoords = kCube.texCoords;
    u.positions = kCube.positions;
    u.normals = kCube.normals;
    u.tangents = kCube.tangents;
    /* Buffers left bound by an earlier unit would turn the client
     * addresses into offsets. */
    if (GLEW_ARB_vertex_buffer_object) {
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, 0);
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, 0);
    }
    if (setup && setup() != 0)
        return -1;
    g.geometryReady = true;
    glVertexPointer(3, GL_FLOAT, 0, u.positions);
    glEnableClientState(GL_VERTEX_ARRAY);
    glNormalPointer(GL_FLOAT, 0, u.normals);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (GLEW_ARB_multitexture) {
        glClientActiveTextureARB(GL_TEXTURE1_ARB);
        glTexCoordPointer(2, GL_FLOAT, 0, u.texCoords);
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glClientActiveTextureARB(GL_TEXTURE0_ARB);
    }
    glTexCoordPointer(2, GL_FLOAT, 0, u.texCoords);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    if (GLEW_ARB_vertex_program) {
        glVertexAttribPointerARB(6, 3, GL_FLOAT, GL_FALSE, 0, u.tangents);
        glEnableVertexAttribArrayARB(6);
    }
    return 0;
}

int testCreateVertexBuffers()
{
    if (!GLEW_ARB_vertex_buffer_object)
        return -1;
    UnitState &u = units();
    /* Buffers of an earlier unit are replaced, not kept alongside. */
    if (u.vertexBuffer)
        glDeleteBuffersARB(1, &u.vertexBuffer);
    if (u.indexBuffer)
        glDeleteBuffersARB(1, &u.indexBuffer);
    GLuint names[2] = {0, 0};
    glGenBuffersARB(2, names);
    u.vertexBuffer = names[0];
    u.indexBuffer = names[1];
    glBindBufferARB(GL_ARRAY_BUFFER_ARB, u.vertexBuffer);
    glBufferDataARB(GL_ARRAY_BUFFER_ARB, sizeof(CubeData), &kCube, GL_STATIC_DRAW_ARB);
    glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, u.indexBuffer);
    glBufferDataARB(GL_ELEMENT_ARRAY_BUFFER_ARB, sizeof(kIndices), kIndices, GL_STATIC_DRAW_ARB);
    u.indices = offset(0);
    u.texCoords = offset(0);
    u.positions = offset(192);
    u.normals = offset(480);
    u.tangents = offset(768);
    return 0;
}

bool lockArrays()
{
    if (!GLEW_EXT_compiled_vertex_array)
        return false;
    glLockArraysEXT(0, 24);
    return true;
}

void unlockArrays(bool locked)
{
    if (locked)
        glUnlockArraysEXT();
}

void drawElements()
{
    glDrawElements(GL_QUADS, 24, GL_UNSIGNED_SHORT, units().indices);
}

/* Runs the setup on the first frame; -1 when it failed. */
bool beginUnitFrame(testSetupOp setup, int &result)
{
    if (!testState().geometryReady && testSetupGeometry(setup) != 0) {
        result = -1;
        return false;
    }
    testBeginFrame();
    return true;
}

int finishUnitFrame()
{
    testEndFrame();
    return testAdvanceAnimation() ? 1 : 0;
}

/* ---- 1.1 texturing ------------------------------------------------------- */

int frameTexturing()
{
    int result = 0;
    if (!beginUnitFrame(nullptr, result))
        return result;
    TestState &g = testState();
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        testBindTexture(0);
        glBegin(GL_QUADS);
        for (int face = 0; face < 6; ++face) {
            glNormal3f(kCube.normals[face * 12], kCube.normals[face * 12 + 1],
                       kCube.normals[face * 12 + 2]);
            for (int v = face * 4; v < face * 4 + 4; ++v) {
                glTexCoord2f(kCube.texCoords[v * 2], kCube.texCoords[v * 2 + 1]);
                glVertex3f(kCube.positions[v * 3], kCube.positions[v * 3 + 1],
                           kCube.positions[v * 3 + 2]);
            }
        }
        glEnd();
    }
    return finishUnitFrame();
}

/* ---- 1.2 locked arrays ----------------------------------------------------- */

int frameLockedArrays()
{
    int result = 0;
    if (!beginUnitFrame(testRequireGL11, result))
        return result;
    TestState &g = testState();
    const bool locked = lockArrays();
    testBindTexture(0);
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        drawElements();
    }
    unlockArrays(locked);
    return finishUnitFrame();
}

/* ---- 1.3 multitexture -------------------------------------------------------- */

int setupMultitexture()
{
    if (!GLEW_ARB_multitexture) {
        tsReportFailure("ARB_multitexture not supported.\n");
        return -1;
    }
    return testRequireGL11();
}

int frameMultitexture()
{
    int result = 0;
    if (!beginUnitFrame(setupMultitexture, result))
        return result;
    TestState &g = testState();
    static const GLfloat planeS[4] = {1, 0, 0, 0}, planeT[4] = {0, 1, 0, 0},
                         planeR[4] = {0, 0, 1, 0};
    static const GLfloat spotMatrix[16] = {0.2f, 0, 0, 0, 0,    0.2f, 0, 0,
                                           0,    0, 0, 0, 0.5f, 0.5f, 0, 1};
    glActiveTextureARB(GL_TEXTURE1_ARB);
    testBindTexture(2);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGenfv(GL_S, GL_OBJECT_PLANE, planeS);
    glTexGenfv(GL_T, GL_OBJECT_PLANE, planeT);
    glTexGenfv(GL_R, GL_OBJECT_PLANE, planeR);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_TEXTURE_GEN_R);
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(spotMatrix);
    glMatrixMode(GL_MODELVIEW);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    testBindTexture(0);
    glEnable(GL_TEXTURE_2D);

    const bool locked = lockArrays();
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        drawElements();
    }
    unlockArrays(locked);

    glActiveTextureARB(GL_TEXTURE1_ARB);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_TEXTURE_GEN_R);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    return finishUnitFrame();
}

/* ---- 1.4 vertex program, 1.5 vertex objects ------------------------------------ */

int testLoadVertexProgram()
{
    TestState &g = testState();
    UnitState &u = units();
    const tsTestOptions *o = g.options;
    const char *text = o ? o->shaders[g.fog ? tsShaderARBFog : tsShaderARB].vertex : nullptr;
    if (!GLEW_ARB_vertex_program)
        return 0;
    if (!text) {
        tsReportFailure("Vertex program missing: the shader script %s has no vertex text.\n",
                        tsTestShaderFiles[g.fog ? tsShaderARBFog : tsShaderARB]);
        return -1;
    }
    /* Errors left by earlier calls must not be taken for this one's. */
    for (int i = 0; i < 64 && glGetError() != GL_NO_ERROR; ++i) {}
    glGenProgramsARB(1, &u.vertexProgram);
    glBindProgramARB(GL_VERTEX_PROGRAM_ARB, u.vertexProgram);
    glProgramStringARB(GL_VERTEX_PROGRAM_ARB, GL_PROGRAM_FORMAT_ASCII_ARB,
                       GLsizei(std::strlen(text)), text);
    if (glGetError() == GL_INVALID_OPERATION) {
        GLint position = -1;
        glGetIntegerv(GL_PROGRAM_ERROR_POSITION_ARB, &position);
        const GLubyte *error = glGetString(GL_PROGRAM_ERROR_STRING_ARB);
        tsReportFailure("Renderer is violating GL_ARB_vertex_program specification:\nUnexpected "
                        "error @ position: "
                        "%d\n%s.\n",
                        position, error ? reinterpret_cast<const char *>(error) : "");
        return -1;
    }
    return 0;
}

int setupVertexProgramChecks()
{
    if (!GLEW_ARB_multitexture) {
        tsReportFailure("ARB_multitexture not supported.\n");
        return -1;
    }
    if (!GLEW_ARB_texture_env_combine && !GLEW_VERSION_1_3) {
        tsReportFailure("OpenGL 1.3 or ARB_texture_env_combine not supported.\n");
        return -1;
    }
    return testLoadVertexProgram();
}

int setupVertexProgram()
{
    if (setupVertexProgramChecks() != 0)
        return -1;
    return testRequireGL11();
}

int setupVertexObjects()
{
    if (setupVertexProgramChecks() != 0)
        return -1;
    return testCreateVertexBuffers();
}

void setCombineSources(GLenum source0, GLenum source1)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, source0);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, GL_SRC_COLOR);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, source1);
    glTexEnvi(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, GL_SRC_COLOR);
}

void testVertexProgramObject(int i)
{
    UnitState &u = units();
    if (GLEW_ARB_vertex_program) {
        if (i == 0) {
            glEnable(GL_VERTEX_PROGRAM_ARB);
            glBindProgramARB(GL_VERTEX_PROGRAM_ARB, u.vertexProgram);
        }
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        glProgramEnvParameter4fARB(GL_VERTEX_PROGRAM_ARB, 0, m[2], m[6], m[10], 0.f);
    }
    if (i == 0) {
        glActiveTextureARB(GL_TEXTURE0_ARB);
        testBindTexture(1);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE_ARB);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_DOT3_RGBA_ARB);
        setCombineSources(GL_PRIMARY_COLOR_ARB, GL_TEXTURE);
        glActiveTextureARB(GL_TEXTURE1_ARB);
        testBindTexture(0);
        glEnable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
        setCombineSources(GL_TEXTURE, GL_PREVIOUS_ARB);
    }
}

void testVertexProgramRestore()
{
    if (GLEW_ARB_vertex_program)
        glDisable(GL_VERTEX_PROGRAM_ARB);
    const GLenum unitsInOrder[2] = {GL_TEXTURE1_ARB, GL_TEXTURE0_ARB};
    for (GLenum unit : unitsInOrder) {
        glActiveTextureARB(unit);
        glDisable(GL_TEXTURE_2D);
        glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, GL_MODULATE);
        setCombineSources(GL_TEXTURE, GL_PREVIOUS_ARB);
    }
}

int frameVertexProgram()
{
    int result = 0;
    if (!beginUnitFrame(setupVertexProgram, result))
        return result;
    TestState &g = testState();
    const bool locked = lockArrays();
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        testVertexProgramObject(i);
        drawElements();
    }
    unlockArrays(locked);
    testVertexProgramRestore();
    return finishUnitFrame();
}

int frameVertexObjects()
{
    int result = 0;
    if (!beginUnitFrame(setupVertexObjects, result))
        return result;
    TestState &g = testState();
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        testVertexProgramObject(i);
        glDrawElements(GL_QUADS, 24, GL_UNSIGNED_SHORT, offset(0));
    }
    testVertexProgramRestore();
    return finishUnitFrame();
}

void releaseVertexProgram()
{
    UnitState &u = units();
    if (u.vertexProgram) {
        glDisable(GL_VERTEX_PROGRAM_ARB);
        glDeleteProgramsARB(1, &u.vertexProgram);
        u.vertexProgram = 0;
    }
}

/* ---- 2.0 shading language -------------------------------------------------------- */

void testShaderLog(const char *label, GLhandleARB object)
{
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length < 2)
        return;
    std::vector<char> log(size_t(length) + 1, '\0');
    GLsizei got = 0;
    glGetInfoLogARB(object, length, &got, log.data());
    log[size_t(length)] = '\0';
    tsReportFailure("%s. violation:\n%s\n", label, log.data());
}

bool compileObject(GLhandleARB object, const char *label)
{
    glCompileShaderARB(object);
    GLint ok = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_COMPILE_STATUS_ARB, &ok);
    if (!ok)
        testShaderLog(label, object);
    return ok != 0;
}

int testBuildShaderProgram(const tsShader &shader)
{
    TestState &g = testState();
    UnitState &u = units();
    if (!shader.fragment) {
        tsReportFailure("Shader missing: the shader script has no fragment text.\n");
        return -1;
    }
    char *vertexText = testPrepareShaderText(shader.vertex, g.fog, g.clipPlane);
    char *fragmentText = testPrepareShaderText(shader.fragment, g.fog, g.clipPlane);
    if (!fragmentText || (shader.vertex && !vertexText)) {
        sysMemFree(vertexText);
        sysMemFree(fragmentText);
        return -1;
    }
    GLhandleARB program = glCreateProgramObjectARB();
    GLhandleARB vs = 0, fs = 0;
    if (vertexText) {
        vs = glCreateShaderObjectARB(GL_VERTEX_SHADER_ARB);
        const GLcharARB *src = vertexText;
        const GLint len = GLint(std::strlen(vertexText));
        glShaderSourceARB(vs, 1, &src, &len);
    }
    fs = glCreateShaderObjectARB(GL_FRAGMENT_SHADER_ARB);
    {
        const GLcharARB *src = fragmentText;
        const GLint len = GLint(std::strlen(fragmentText));
        glShaderSourceARB(fs, 1, &src, &len);
    }
    const bool vertexOk = vs ? compileObject(vs, "GL_ARB_vertex_shader") : true;
    const bool fragmentOk = compileObject(fs, "GL_ARB_fragment_shader");
    bool linked = false;
    if (vertexOk && fragmentOk) {
        if (vs)
            glAttachObjectARB(program, vs);
        glAttachObjectARB(program, fs);
        glBindAttribLocationARB(program, 6, "Tangent");
        glLinkProgramARB(program);
        GLint ok = 0;
        glGetObjectParameterivARB(program, GL_OBJECT_LINK_STATUS_ARB, &ok);
        linked = ok != 0;
        if (!linked)
            testShaderLog("GLSLang", program);
    }
    /* Attached objects live on with the program; the others go now. */
    if (vs)
        glDeleteObjectARB(vs);
    glDeleteObjectARB(fs);
    sysMemFree(vertexText);
    sysMemFree(fragmentText);
    if (!linked) {
        glDeleteObjectARB(program);
        return -1;
    }
    if (u.shaderProgram)
        glDeleteObjectARB(u.shaderProgram);
    u.shaderProgram = program;
    return 0;
}

int setupShadingLanguage()
{
    TestState &g = testState();
    if (!GLEW_VERSION_1_1) {
        tsReportFailure("OpenGL 1.1 core not supported \n");
        return -1;
    }
    if (!GLEW_ARB_shader_objects) {
        tsReportFailure("ARB_shader_objects not supported. \n");
        return -1;
    }
    if (!GLEW_ARB_shading_language_100) {
        tsReportFailure("ARB_shading_language_100 not supported.\n");
        return -1;
    }
    if (!GLEW_ARB_vertex_shader) {
        tsReportFailure("ARB_vertex_shader not supported.\n");
        return -1;
    }
    if (!GLEW_ARB_fragment_shader) {
        tsReportFailure("ARB_vertex_fragment not supported.\n");
        return -1;
    }
    if (!g.options || testBuildShaderProgram(g.options->shaders[tsShaderGLSL]) != 0)
        return -1;
    if (testCreateVertexBuffers() != 0)
        return testRequireGL11();
    return 0;
}

void setLightUniforms(GLhandleARB program)
{
    TestState &g = testState();
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const float d = g.objectDistance;
    const float light[3] = {-d * m[2], -d * m[6], -d * m[10]};
    glUniform3fARB(glGetUniformLocationARB(program, "Light"), light[0], light[1], light[2]);
    glUniform3fARB(glGetUniformLocationARB(program, "Eye"), light[0], light[1], light[2]);
}

void testShaderObjectUniforms(int i)
{
    UnitState &u = units();
    if (i == 0) {
        glActiveTextureARB(GL_TEXTURE1_ARB);
        testBindTexture(1);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        testBindTexture(0);
        glUseProgramObjectARB(u.shaderProgram);
        glUniform1iARB(glGetUniformLocationARB(u.shaderProgram, "BaseTex"), 0);
        glUniform1iARB(glGetUniformLocationARB(u.shaderProgram, "NormalTex"), 1);
        glUniform4fARB(glGetUniformLocationARB(u.shaderProgram, "Cl"), 1.f, 1.f, 1.f, 1.f);
    }
    setLightUniforms(u.shaderProgram);
}

void bindUnitBuffers()
{
    UnitState &u = units();
    if (GLEW_ARB_vertex_buffer_object) {
        glBindBufferARB(GL_ELEMENT_ARRAY_BUFFER_ARB, u.indexBuffer);
        glBindBufferARB(GL_ARRAY_BUFFER_ARB, u.vertexBuffer);
    }
}

int frameShadingLanguage()
{
    int result = 0;
    if (!beginUnitFrame(setupShadingLanguage, result))
        return result;
    TestState &g = testState();
    bindUnitBuffers();
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        testShaderObjectUniforms(i);
        drawElements();
    }
    glUseProgramObjectARB(0);
    glActiveTextureARB(GL_TEXTURE1_ARB);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDisable(GL_TEXTURE_2D);
    glActiveTextureARB(GL_TEXTURE0_ARB);
    glDisable(GL_TEXTURE_2D);
    return finishUnitFrame();
}

void releaseShadingLanguage()
{
    UnitState &u = units();
    if (u.shaderProgram) {
        glUseProgramObjectARB(0);
        glDeleteObjectARB(u.shaderProgram);
        u.shaderProgram = 0;
    }
}

/* ---- 2.1 pixel buffer object ------------------------------------------------------ */

int setupPixelBufferObject()
{
    TestState &g = testState();
    UnitState &u = units();
    if (testCreateVertexBuffers() != 0)
        testRequireGL11();
    if (!GLEW_ARB_pixel_buffer_object) {
        tsReportFailure("ARB_pixel_buffer_object not supported.\n");
        return -2;
    }
    if (!GLEW_VERSION_1_1 || !GLEW_ARB_shader_objects || !GLEW_ARB_shading_language_100 ||
        !GLEW_ARB_vertex_shader || !GLEW_ARB_fragment_shader)
        return -3;
    if (!g.options || testBuildShaderProgram(g.options->shaders[tsShaderGLSL21]) != 0)
        return -3;
    glGenTextures(1, &u.pixelTexture);
    glBindTexture(GL_TEXTURE_2D, u.pixelTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB, 0);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 128, 128, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
    glGenBuffersARB(1, &u.pixelBuffer);
    glBindBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB, u.pixelBuffer);
    glBindBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB, 0);
    glBindTexture(GL_TEXTURE_2D, 0);
    return 0;
}

int framePixelBufferObject()
{
    int result = 0;
    if (!beginUnitFrame(setupPixelBufferObject, result))
        return result;
    TestState &g = testState();
    UnitState &u = units();

    glBindTexture(GL_TEXTURE_2D, u.pixelTexture);
    glBindBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB, u.pixelBuffer);
    glBufferDataARB(GL_PIXEL_UNPACK_BUFFER_ARB, 65536, nullptr, GL_STREAM_DRAW_ARB);
    void *mapped = glMapBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB, GL_WRITE_ONLY_ARB);
    if (mapped)
        testPatternFill(static_cast<uint8_t *>(mapped), u.zoomScale);
    glUnmapBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 128, 128, GL_BGRA, GL_UNSIGNED_BYTE, offset(0));
    glBindBufferARB(GL_PIXEL_UNPACK_BUFFER_ARB, 0);

    bindUnitBuffers();
    for (int i = 0; i < g.objectCount; ++i) {
        testSetObjectTransform(i);
        glActiveTextureARB(GL_TEXTURE0_ARB);
        glBindTexture(GL_TEXTURE_2D, u.pixelTexture);
        glUseProgramObjectARB(u.shaderProgram);
        glUniform1iARB(glGetUniformLocationARB(u.shaderProgram, "BaseTex"), 0);
        setLightUniforms(u.shaderProgram);
        drawElements();
    }
    glUseProgramObjectARB(0);

    testEndFrame();
    double z = 1.0 / u.zoomScale + u.zoomStep;
    if (z > 10.0) {
        u.zoomStep = -u.zoomStep;
        z = 10.0;
    } else if (z < 1.0) {
        u.zoomStep = -u.zoomStep;
        z = 1.0;
    }
    u.zoomScale = 1.0 / z;
    return testAdvanceAnimation() ? 1 : 0;
}

void releasePixelBufferObject()
{
    UnitState &u = units();
    if (u.pixelBuffer)
        glDeleteBuffersARB(1, &u.pixelBuffer);
    if (u.pixelTexture)
        glDeleteTextures(1, &u.pixelTexture);
    u.pixelBuffer = 0;
    u.pixelTexture = 0;
}

} // namespace

uint8_t testPatternTexel(int i, int j, double scale)
{
    const double u = double(j) / 128.0, v = double(i) / 128.0;
    const double cr = (2.0 * u - 1.0) * scale * 3.0 - 0.7;
    const double ci = (2.0 * v - 1.0) * scale * 3.0;
    double zr = 0.0, zi = 0.0;
    int n = 100;
    for (int k = 1; k <= 99; ++k) {
        const double nr = zr * zr - zi * zi + cr;
        zi = 2.0 * zr * zi + ci;
        zr = nr;
        if (zr * zr + zi * zi > 100.0) {
            n = k;
            break;
        }
    }
    const float grey = float(n) * 255.0f * 0.01f;
    return uint8_t(int(grey) & 0xff);
}

void testPatternFill(uint8_t *pixels, double scale)
{
    for (int i = 0; i < 128; ++i)
        for (int j = 0; j < 128; ++j) {
            const uint8_t g = testPatternTexel(i, j, scale);
            uint8_t *p = pixels + (size_t(i) * 128 + size_t(j)) * 4;
            p[0] = p[1] = p[2] = p[3] = g;
        }
}

void testScenesResetContext()
{
    UnitState &u = units();
    /* The names die with the context; the zoom carries over. */
    u.vertexBuffer = u.indexBuffer = 0;
    u.vertexProgram = 0;
    u.shaderProgram = 0;
    u.pixelBuffer = u.pixelTexture = 0;
}

const testUnitOps testUnitTable[TS_TEST_UNIT_COUNT] = {
    {nullptr, frameTexturing, nullptr},
    {testRequireGL11, frameLockedArrays, nullptr},
    {setupMultitexture, frameMultitexture, nullptr},
    {setupVertexProgram, frameVertexProgram, releaseVertexProgram},
    {setupVertexObjects, frameVertexObjects, releaseVertexProgram},
    {setupShadingLanguage, frameShadingLanguage, releaseShadingLanguage},
    {setupPixelBufferObject, framePixelBufferObject, releasePixelBufferObject},
};

} // namespace sounder
