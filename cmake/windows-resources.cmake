# The Windows programs' icon and version information: a resource for each,
# compiled by the mingw-w64 windres. The icon is the one the Linux package
# installs (dist/CMakeLists.txt), at the sizes Explorer asks for, made with
# netpbm when CMake runs.
enable_language(RC)

set(still ${PROJECT_SOURCE_DIR}/docs/still-face.png)
set(icon ${PROJECT_BINARY_DIR}/streakshow.ico)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${still})
find_program(PNGTOPNM pngtopnm REQUIRED)
find_program(PAMCUT pamcut REQUIRED)
find_program(PAMSCALE pamscale REQUIRED)
find_program(PAMTOWINICON pamtowinicon REQUIRED)
set(pictures)
foreach(size 16 32 48 256)
  execute_process(
    COMMAND ${PNGTOPNM} ${still}
    COMMAND ${PAMCUT} -right=-1 -width=384
    COMMAND ${PAMSCALE} -width=${size} -height=${size}
    OUTPUT_FILE ${PROJECT_BINARY_DIR}/icon-${size}.pam
    RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "could not make the ${size} pixel icon from ${still}")
  endif()
  list(APPEND pictures ${PROJECT_BINARY_DIR}/icon-${size}.pam)
endforeach()
execute_process(COMMAND cat ${pictures} COMMAND ${PAMTOWINICON}
  OUTPUT_FILE ${icon} ERROR_QUIET RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "could not make ${icon}")
endif()

# streakshow_windows_resource(TARGET DESCRIPTION)
function(streakshow_windows_resource target description)
  set(NAME ${target})
  set(DESCRIPTION ${description})
  set(ICON ${icon})
  set(PATCH ${PROJECT_VERSION_PATCH})
  if(NOT PATCH)
    set(PATCH 0)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/dist/windows.rc.in ${PROJECT_BINARY_DIR}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${PROJECT_BINARY_DIR}/${target}.rc)
endfunction()

streakshow_windows_resource(streakshow "streakshow, a 73-second real-time audiovisual show")
streakshow_windows_resource(streakshow-capture "streakshow-capture, the show's recorder")
streakshow_windows_resource(jpeg2ppm "jpeg2ppm, the show's JPEG decoder")
