// Every capability member of a reading, with whether a report file carries
// it: X(member, carried).  Kept apart from the library's own tables so that
// a member the writer or the reader forgets shows up as a difference.
#ifndef TESSERA_TESTS_REPORT_MEMBERS_H
#define TESSERA_TESTS_REPORT_MEMBERS_H

#define REPORT_INT_MEMBERS(X)                                                                                               \
    X(NumLights, 1)                                                                                                         \
    X(NumClipPlanes, 1) X(MaxModelViewStackDepth, 1) X(MaxProjectionStackDepth, 1) X(                                       \
        MaxTextureStackDepth, 1) X(SubPixelBits, 1) X(TextureSize, 1) X(PixelMapTable, 1)                                   \
        X(NameStackDepth, 1) X(MaxDisplayListNesting, 0) X(EvalOrder, 1) X(ViewportMaxWidth, 1) X(                          \
            ViewportMaxHeight, 1) X(AttribStackDepth, 1) X(MaxTextureUnits,                                                 \
                                                           1) X(MaxVertexBlend,                                             \
                                                                1) X(MaxTextureCubeSize, 1)                                 \
            X(MaxTextureAnisotropy, 1) X(MaxTextureLodBias, 0) X(MaxElementsVertices, 0) X(                                 \
                MaxElementsIndices,                                                                                         \
                0) X(ATIMaxTrianglesTesselationLevel, 1)                                                                    \
                X(ATIMaxVertexStreams, 1) X(NVMaxSpotExponent, 1) X(NVMaxShininessExponent, 1) X(                           \
                    NVMaxVertexArrayRangeElements,                                                                          \
                    1) X(NVMaxGeneralCombiners,                                                                             \
                         1) X(NumCompressedTextureFormats, 1)                                                               \
                    X(MaxDrawBuffers, 1) X(NVMaxTextureRectangleSize, 1) X(MaxProgramInstructions, 1) X(                    \
                        MaxNativeInstructions,                                                                              \
                        1) X(MaxProgramTemporaries,                                                                         \
                             1) X(MaxProgramNativeTemporaries, 1)                                                           \
                        X(MaxProgramParameters, 1) X(MaxProgramNativeParameters, 1) X(                                      \
                            MaxProgramAttribs,                                                                              \
                            1) X(MaxProgramNativeAttribs,                                                                   \
                                 1) X(MaxProgramAdressRegisters, 1)                                                         \
                            X(MaxProgramNativeAddressRegisters, 1) X(MaxProgramLocalParameters, 1) X(                       \
                                MaxProgramEnvParameters,                                                                    \
                                1) X(MaxFragmentInstructions,                                                               \
                                     1) X(MaxFragmentNativeInstructions, 1)                                                 \
                                X(MaxFragmentTemporaries, 1) X(MaxFragmentNativeTemporaries, 1) X(                          \
                                    MaxFragmentParameters,                                                                  \
                                    1) X(MaxFragmentNativeParameters, 1)                                                    \
                                    X(MaxFragmentAttribs, 1) X(MaxFragmentNativeAttribs, 1) X(                              \
                                        MaxFragmentAdressRegisters,                                                         \
                                        1) X(MaxFragmentNativeAddressRegisters,                                             \
                                             1) X(MaxFragmentLocalParameters, 1)                                            \
                                        X(MaxFragmentEnvParameters, 1) X(                                                   \
                                            MaxProgramALUInstructions,                                                      \
                                            0) X(MaxProgramTexInstructions,                                                 \
                                                 1) X(MaxProgramTexIndirections, 1)                                         \
                                            X(MaxProgramNativeALUInstructions, 1) X(                                        \
                                                MaxProgramNativeTexInstructions,                                            \
                                                1) X(MaxProgramNativeTexIndirections,                                       \
                                                     1) X(MaxVertexAttributes, 1)                                           \
                                                X(MaxProgramMatrices, 1) X(MaxClientAttribStackDepth, 1) X(                 \
                                                    MaxProgramMatrixStackDepth,                                             \
                                                    1) X(MaxTextureCoords,                                                  \
                                                         1) X(MaxTextureImageUnits, 1)                                      \
                                                    X(MaxTexture3DSize, 1) X(MaxVertexUniformComponents, 1) X(              \
                                                        MaxVaryingFloats,                                                   \
                                                        1) X(MaxVertexTextureImageUnits,                                    \
                                                             1) X(MaxCombinedImageUnits, 1)                                 \
                                                        X(MaxFragmentUniformComponents,                                     \
                                                          1) X(MaxProgramExeInstructionsNV,                                 \
                                                               1) X(MaxProgramCallDepthNV, 1)                               \
                                                            X(MaxProgramIfDepthNV, 1) X(                                    \
                                                                MaxProgramLoopDepthNV,                                      \
                                                                1) X(MaxProgramLoopCountNV,                                 \
                                                                     1) X(MaxConvolutionHeight, 1)                          \
                                                                X(MaxConvolutionWidth, 1) X(                                \
                                                                    APPLEMaxVertexArrayRangeElements,                       \
                                                                    0) X(APPLEMinPbufferViewportWidth,                      \
                                                                         0) X(APPLEMinPbufferViewportHeight, 0)             \
                                                                    X(MaxOcclusionQueryBits, 1) X(                          \
                                                                        ATINumFragmentRegisters,                            \
                                                                        1) X(ATINumFragmentConstants,                       \
                                                                             1) X(ATINumPasses, 1)                          \
                                                                        X(ATINumInstructionsPerPass, 1) X(                  \
                                                                            ATINumInstructionsTotal,                        \
                                                                            1) X(ATINumLoopbackComponents,                  \
                                                                                 1) X(ATINumInputInterpolatorComponents, 1) \
                                                                            X(MaxGeomTexUnits, 0) X(                        \
                                                                                MaxGeomVaryingComp,                         \
                                                                                0) X(MaxVertexVaryingComp,                  \
                                                                                     0)                                     \
                                                                                X(MaxVaryingComp, 0) X(                     \
                                                                                    MaxGeomUniformComp,                     \
                                                                                    0) X(MaxGeomOutputVerts,                \
                                                                                         0)                                 \
                                                                                    X(MaxGeomTotalOutputComp,               \
                                                                                      0) X(MaxColorMatrixStackDepth,        \
                                                                                           1)                               \
                                                                                        X(MaxSamples,                       \
                                                                                          0) X(AuxBuffers,                  \
                                                                                               0)                           \
                                                                                            X(FBOMaxColorAttachments,       \
                                                                                              1)                            \
                                                                                                X(FBOMaxRenderBufferSize,   \
                                                                                                  1)

#define REPORT_FLOAT_MEMBERS(X)                                                                    \
    X(PointSizeMin, 1)                                                                             \
    X(PointSizeMax, 1) X(PointSizeGran, 1) X(LineSizeMin, 1) X(LineSizeMax, 1) X(LineSizeGran, 1)  \
        X(AliasedLineWidthMin, 0) X(AliasedLineWidthMax, 0) X(AliasedPointSizeMin, 1)              \
            X(AliasedPointSizeMax, 1)

#endif
