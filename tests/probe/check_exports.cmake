# Fails when libsounder.so exports a C++ (mangled) name or one of the GLX
# names that its copy of GLEW calls, when its C exports (probe, presentation
# layer) are missing from its dynamic symbol table, or when it or the reader
# program needs an X11, GLX or GLEW library at start (the GLX backend loads
# them when it is used).
execute_process(COMMAND nm -D --defined-only ${LIBRARY}
                OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "nm -D failed on ${LIBRARY}")
endif()
string(REPLACE "\n" ";" lines "${symbols}")
set(mangled "")
foreach(line IN LISTS lines)
  if(line MATCHES " _Z")
    list(APPEND mangled "${line}")
  endif()
endforeach()
if(mangled)
  list(LENGTH mangled n)
  list(SUBLIST mangled 0 20 shown)
  string(REPLACE ";" "\n" shown "${shown}")
  message(FATAL_ERROR "${n} C++ names exported, for example:\n${shown}")
endif()
foreach(name tsInfoBegin tsInfoRead tsInfoEnd tsInfoRelease tsInfoSearchExtension
             tsInfoReadCaps tsInfoReadCapsEx tsReportContext tsReportFailure
             tsReportGetLogFile tsReportSetLogFile tsReportHasErrors
             tsFormatText tsFormatTreeItemLabel tsDocumentAttribute tsBuildReportPieces
             tsBuildChangesReportPieces tsRenderReport tsRichTextToPlain tsRichTextToHtml
             tsWindowSystemName tsWindowSystemHasFeature tsCapabilityRowCount
             tsCapabilityRowAt tsCapabilityRowValue tsComplianceVersionCount
             tsComplianceVersionName tsComplianceMissing lumClientGetReading
             tsExtendedLimitsVersion tsExtendedLimitCount tsExtendedLimitAt
             tsInfoGetWindowSystem tsInfoReadStart tsInfoReadFinish tsInfoReadCancel
             lumClientStartReadings tsTreeAllocate tsTreeFree)
  if(NOT symbols MATCHES " T ${name}\n")
    message(FATAL_ERROR "${name} is not exported")
  endif()
endforeach()
foreach(name glXGetProcAddressARB glXGetClientString glXQueryVersion)
  if(symbols MATCHES " ${name}\n")
    message(FATAL_ERROR "${name} is exported: it would take the calls of the whole process")
  endif()
endforeach()
foreach(file ${LIBRARY} ${READER})
  execute_process(COMMAND readelf -d ${file} OUTPUT_VARIABLE dynamic RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "readelf -d failed on ${file}")
  endif()
  if(dynamic MATCHES "NEEDED[^\n]*[[](libX11|libXrandr|libGL[.]|libGLX|libGLEW)")
    message(FATAL_ERROR "${file} needs ${CMAKE_MATCH_1} at start:\n${dynamic}")
  endif()
endforeach()
