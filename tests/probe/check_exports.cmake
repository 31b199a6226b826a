# Fails when libsounder.so exports a C++ (mangled) name, or when its C
# exports (probe, presentation layer) are missing from its dynamic symbol
# table.
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
