# The Windows build (cmake/toolchain-mingw-i686.cmake): only what ships for
# Windows, the bus library DDCHelper.dll and installer.exe, side by side in
# DDC_Library/32Bit as the installer expects. No Qt, no program, no tests but
# the component the installer registers in the wine run.
if(TAVOLIN_SANITIZE)
  message(FATAL_ERROR "TAVOLIN_SANITIZE is for the Linux build only")
endif()

set(TAVOLIN_SHIPPED_DIR ${CMAKE_BINARY_DIR}/DDC_Library/32Bit)

add_subdirectory(platform/ddc)
set_target_properties(DDCHelper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_SHIPPED_DIR})

# Windowless: it shows nothing. Static, so it runs on a bare system.
add_executable(installer WIN32 installer/installer.cpp installer/installer_main.cpp)
target_include_directories(installer PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(installer PRIVATE shell32)
target_link_options(installer PRIVATE -static)
set_target_properties(installer PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_SHIPPED_DIR})

if(TAVOLIN_TESTS)
  # Stands in for the ActiveX component in tools/wine-installer-test.sh.
  add_library(DDCHelperX SHARED tests/wine/fake_activex.cpp)
  target_link_options(DDCHelperX PRIVATE -static-libgcc -static-libstdc++ -Wl,--kill-at)
  set_target_properties(DDCHelperX PROPERTIES PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)
endif()
