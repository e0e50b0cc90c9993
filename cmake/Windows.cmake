# Windows builds (MinGW-w64, cross-built on Debian or native): the window is a
# GUI program, and the MinGW runtime DLLs that the programs need beside them.
if(TARGET marrowick)
  # No console window beside the main window, and the program's icon.
  set_target_properties(marrowick PROPERTIES WIN32_EXECUTABLE ON)
  enable_language(RC)
  target_sources(marrowick PRIVATE ${CMAKE_SOURCE_DIR}/packaging/marrowick.rc)
endif()

# The tools make test data for the end-to-end tests, which run on Unix only.
foreach(tool_source ${MARROWICK_TOOL_SOURCES})
  get_filename_component(tool_name ${tool_source} NAME_WE)
  set_target_properties(${tool_name} PROPERTIES EXCLUDE_FROM_ALL ON)
endforeach()

# libstdc++, libgcc and winpthread as DLLs, where this compiler finds them.
set(MARROWICK_MINGW_RUNTIME_DLLS)
foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
  execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
    OUTPUT_VARIABLE found OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(IS_ABSOLUTE "${found}" AND EXISTS "${found}")
    get_filename_component(found "${found}" REALPATH)
    list(APPEND MARROWICK_MINGW_RUNTIME_DLLS ${found})
  endif()
endforeach()
# libmpg123 and libsndfile, which read the clips' headers.
list(APPEND MARROWICK_MINGW_RUNTIME_DLLS ${MARROWICK_AUDIO_DLLS})
