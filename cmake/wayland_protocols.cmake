# Wayland protocol code for a target: orvane_wayland_protocols(TARGET XML...) runs
# wayland-scanner on each description into the target's build folder (NAME-client.h, NAME.c)
# and adds them to the target. The scanner's glue code is C: as C++ its interface tables would
# not be seen by the linker.
find_package(PkgConfig)
if(PkgConfig_FOUND)
  pkg_get_variable(ORVANE_WAYLAND_SCANNER wayland-scanner wayland_scanner)
  pkg_get_variable(ORVANE_WAYLAND_PROTOCOLS wayland-protocols pkgdatadir)
endif()

enable_language(C)

function(orvane_wayland_protocols target)
  set(dir ${CMAKE_CURRENT_BINARY_DIR}/protocols)
  file(MAKE_DIRECTORY ${dir})
  foreach(xml ${ARGN})
    get_filename_component(name ${xml} NAME_WE)
    add_custom_command(
      OUTPUT ${dir}/${name}-client.h ${dir}/${name}.c
      COMMAND ${ORVANE_WAYLAND_SCANNER} client-header ${xml} ${dir}/${name}-client.h
      COMMAND ${ORVANE_WAYLAND_SCANNER} private-code ${xml} ${dir}/${name}.c
      DEPENDS ${xml}
      VERBATIM)
    target_sources(${target} PRIVATE ${dir}/${name}.c ${dir}/${name}-client.h)
  endforeach()
  target_include_directories(${target} PRIVATE ${dir})
endfunction()
