# The libraries the clip list reads sound files' headers with: libmpg123 for
# MP3 and libsndfile for WAV. On Debian they are the packages libmpg123-dev and
# libsndfile1-dev; for Windows, the DLLs that scripts/mingw-audio-libs.sh builds
# from Debian's sources, found in the folder MARROWICK_AUDIO_LIBS names.
set(MARROWICK_AUDIO_LIBS "" CACHE PATH
  "Folder with include/, lib/ and bin/ of libmpg123 and libsndfile built for the target (a cross build)")
if(MARROWICK_AUDIO_LIBS)
  set(audio_where_include PATHS ${MARROWICK_AUDIO_LIBS}/include NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  set(audio_where_lib PATHS ${MARROWICK_AUDIO_LIBS}/lib NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
endif()
find_path(MARROWICK_MPG123_INCLUDE mpg123.h ${audio_where_include})
find_library(MARROWICK_MPG123_LIBRARY mpg123 ${audio_where_lib})
find_path(MARROWICK_SNDFILE_INCLUDE sndfile.h ${audio_where_include})
find_library(MARROWICK_SNDFILE_LIBRARY sndfile ${audio_where_lib})
foreach(found MARROWICK_MPG123_INCLUDE MARROWICK_MPG123_LIBRARY MARROWICK_SNDFILE_INCLUDE MARROWICK_SNDFILE_LIBRARY)
  if(NOT ${found})
    message(FATAL_ERROR "libmpg123 and libsndfile are needed (Debian: libmpg123-dev libsndfile1-dev; "
      "for Windows: scripts/mingw-audio-libs.sh PREFIX, then -DMARROWICK_AUDIO_LIBS=PREFIX): ${found} not found")
  endif()
endforeach()
add_library(marrowick_audio_libs INTERFACE)
# Their headers are not the program's: their warnings stay out of its build.
target_include_directories(marrowick_audio_libs SYSTEM INTERFACE ${MARROWICK_MPG123_INCLUDE} ${MARROWICK_SNDFILE_INCLUDE})
target_link_libraries(marrowick_audio_libs INTERFACE ${MARROWICK_MPG123_LIBRARY} ${MARROWICK_SNDFILE_LIBRARY})
# The DLLs a Windows build installs beside its programs.
set(MARROWICK_AUDIO_DLLS)
if(WIN32 AND MARROWICK_AUDIO_LIBS)
  file(GLOB MARROWICK_AUDIO_DLLS ${MARROWICK_AUDIO_LIBS}/bin/libmpg123-*.dll ${MARROWICK_AUDIO_LIBS}/bin/libsndfile.dll)
endif()
