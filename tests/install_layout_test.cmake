# Installs the build into a fresh prefix and checks what the program relies on.
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${PREFIX}
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install failed")
endif()
set(share ${PREFIX}/share)
foreach(f bin/larkspur-suite share/larkspur-suite/HAND-M.CUR
          share/applications/com.vantrel.LarkspurSuite.desktop
          share/metainfo/com.vantrel.LarkspurSuite.metainfo.xml
          share/icons/hicolor/32x32/apps/com.vantrel.LarkspurSuite.png
          share/icons/hicolor/48x48/apps/com.vantrel.LarkspurSuite.png
          share/icons/hicolor/128x128/apps/com.vantrel.LarkspurSuite.png
          share/icons/hicolor/256x256/apps/com.vantrel.LarkspurSuite.png
          share/icons/hicolor/scalable/apps/com.vantrel.LarkspurSuite.svg)
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "missing ${f}")
  endif()
endforeach()
foreach(sample sample1 sample2)
  file(GLOB files ${share}/larkspur-suite/Samples/${sample}/*)
  list(LENGTH files n)
  if(n LESS 2)
    message(FATAL_ERROR "${sample} holds ${n} files")
  endif()
endforeach()
# The samples keep their assorted dates.
file(TIMESTAMP ${share}/larkspur-suite/Samples/sample2/letter-2008.txt year "%Y")
if(NOT year STREQUAL "2008")
  message(FATAL_ERROR "sample date lost: ${year}")
endif()
