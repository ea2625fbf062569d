# The Windows build, 32- or 64-bit as the toolchain says
# (cmake/toolchain-mingw-i686.cmake, cmake/toolchain-mingw-x86_64.cmake): the
# bus library DDCHelper.dll and the installer side by side in
# DDC_Library/32Bit (installer.exe) or DDC_Library/64Bit (installer64.exe),
# as the installer expects, and the programs tavolin.exe, tavolin-cli.exe
# and tavolin-pkg.exe with everything they need in tavolin/, which the ZIP
# ships. No Qt, no tests but the component the installer registers in the
# wine run.
if(TAVOLIN_SANITIZE)
  message(FATAL_ERROR "TAVOLIN_SANITIZE is for the Linux build only")
endif()

# --- The architecture: names and places follow it -------------------------
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(TAVOLIN_WIN_ARCH win64)
  set(TAVOLIN_MANIFEST_ARCH amd64)
  set(TAVOLIN_SHIPPED_SUBDIR DDC_Library/64Bit)
  set(TAVOLIN_INSTALLER_NAME installer64)
else()
  set(TAVOLIN_WIN_ARCH win32)
  set(TAVOLIN_MANIFEST_ARCH x86)
  set(TAVOLIN_SHIPPED_SUBDIR DDC_Library/32Bit)
  set(TAVOLIN_INSTALLER_NAME installer)
endif()
set(TAVOLIN_SHIPPED_DIR ${CMAKE_BINARY_DIR}/${TAVOLIN_SHIPPED_SUBDIR})
set(TAVOLIN_PROGRAM_DIR ${CMAKE_BINARY_DIR}/tavolin)

# --- Version resources ------------------------------------------------------
# "1.04c" is 1.4.3.0 where Windows wants four numbers (the letter counts
# from a = 1).
string(REGEX MATCH "^([0-9]+)\\.([0-9]+)([a-z]?)" _ "${TAVOLIN_VERSION}")
set(_major ${CMAKE_MATCH_1})
math(EXPR _minor "${CMAKE_MATCH_2}")
set(_letter 0)
if(CMAKE_MATCH_3)
  string(FIND "abcdefghijklmnopqrstuvwxyz" "${CMAKE_MATCH_3}" _letter)
  math(EXPR _letter "${_letter} + 1")
endif()
set(TAVOLIN_VERSION_COMMAS "${_major},${_minor},${_letter},0")
set(TAVOLIN_VERSION_DOTS "${_major}.${_minor}.${_letter}.0")

enable_language(RC)
# Gives the target a VERSIONINFO naming it as shipped (file_name, e.g.
# tavolin.exe) with its description.
function(tavolin_version_resource target file_name description)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(TAVOLIN_RC_FILETYPE VFT_DLL)
  else()
    set(TAVOLIN_RC_FILETYPE VFT_APP)
  endif()
  set(TAVOLIN_RC_FILE ${file_name})
  get_filename_component(TAVOLIN_RC_NAME ${file_name} NAME_WE)
  set(TAVOLIN_RC_DESCRIPTION "${description}")
  set(rc ${CMAKE_BINARY_DIR}/version/${target}.rc)
  configure_file(${CMAKE_SOURCE_DIR}/packaging/windows/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

add_subdirectory(platform/ddc)
set_target_properties(DDCHelper PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_SHIPPED_DIR})
tavolin_version_resource(DDCHelper DDCHelper.dll "Tavolin DDC/I2C bus library")

# Windowless: it shows nothing. Static, so it runs on a bare system.
add_executable(installer WIN32 installer/installer.cpp installer/installer_main.cpp)
target_include_directories(installer PRIVATE ${CMAKE_SOURCE_DIR})
target_link_libraries(installer PRIVATE shell32)
target_link_options(installer PRIVATE -static)
set_target_properties(installer PROPERTIES OUTPUT_NAME ${TAVOLIN_INSTALLER_NAME}
  RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_SHIPPED_DIR})
tavolin_version_resource(installer ${TAVOLIN_INSTALLER_NAME}.exe "Tavolin bus library installer")

add_library(AssistDll SHARED platform/assist/AssistDll.cpp)
target_include_directories(AssistDll PUBLIC ${CMAKE_SOURCE_DIR})
target_link_options(AssistDll PRIVATE -static-libgcc -static-libstdc++)
set_target_properties(AssistDll PROPERTIES PREFIX "" RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_PROGRAM_DIR})
tavolin_version_resource(AssistDll AssistDll.dll "Tavolin platform information")

# The unit record's SQLite: Debian has none for mingw, so its amalgamation
# is made from Debian's source package (tools/install-deps.sh --windows) and
# built in statically; nothing is fetched here. Without it the record
# refuses every call.
set(TAVOLIN_SQLITE_DIR "$ENV{TAVOLIN_SQLITE_DIR}" CACHE PATH
  "Folder with SQLite's sqlite3.c, sqlite3.h and VERSION (default: build-deps/sqlite3)")
if(NOT TAVOLIN_SQLITE_DIR)
  set(TAVOLIN_SQLITE_DIR ${CMAKE_SOURCE_DIR}/build-deps/sqlite3)
endif()
if(EXISTS ${TAVOLIN_SQLITE_DIR}/sqlite3.c AND EXISTS ${TAVOLIN_SQLITE_DIR}/sqlite3.h)
  file(STRINGS ${TAVOLIN_SQLITE_DIR}/VERSION TAVOLIN_SQLITE_VERSION LIMIT_COUNT 1)
  message(STATUS "The unit record: SQLite ${TAVOLIN_SQLITE_VERSION} from ${TAVOLIN_SQLITE_DIR}")
  add_library(tavolin_sqlite3 STATIC ${TAVOLIN_SQLITE_DIR}/sqlite3.c)
  target_include_directories(tavolin_sqlite3 SYSTEM PUBLIC ${TAVOLIN_SQLITE_DIR})
  # No extension is ever loaded.
  target_compile_definitions(tavolin_sqlite3 PRIVATE SQLITE_OMIT_LOAD_EXTENSION)
  target_compile_options(tavolin_sqlite3 PRIVATE -w)
  set(TAVOLIN_RECORDS_SOURCES platform/records/records.cpp platform/records/records_sqlite.cpp
    platform/records/records_odbc.cpp platform/records/records_query.cpp)
else()
  message(STATUS "The unit record left out: no SQLite amalgamation in ${TAVOLIN_SQLITE_DIR} "
    "(tools/install-deps.sh --windows makes it); the production mode refuses every unit")
  set(TAVOLIN_RECORDS_SOURCES platform/records/records_without_sqlite.cpp)
endif()

# The platform's Windows side for the program: files, the process, the
# unit record, SHA-256 from the system.
add_library(tavolin_win32_platform STATIC
  platform/filesys/filesys_win32.cpp
  platform/filesys/safefile_win32.cpp
  platform/filesys/wintext_win32.cpp
  platform/filesys/utf16.cpp
  platform/process/process_win32.cpp
  platform/records/records_win32.cpp
  platform/records/records_mask.cpp
  platform/records/records_rows.cpp
  ${TAVOLIN_RECORDS_SOURCES}
)
target_include_directories(tavolin_win32_platform PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(tavolin_win32_platform PUBLIC bcrypt odbc32 shell32)
if(TARGET tavolin_sqlite3)
  target_link_libraries(tavolin_win32_platform PRIVATE tavolin_sqlite3)
endif()

# The panel run-time: the toolkit-free front (every rule of userint.h) and
# its Win32 back end; the program is built once they are there.
file(GLOB TAVOLIN_USERINT_WIN32 CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/userint/win32/*.cpp)
file(GLOB TAVOLIN_USERINT_FRONT CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/userint/ui_front_*.cpp)
# Its resources (a manifest, an icon), when it has any.
file(GLOB TAVOLIN_USERINT_RC CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/userint/win32/*.rc)
set(TAVOLIN_USERINT_SHARED ${TAVOLIN_USERINT_FRONT}
  ${CMAKE_SOURCE_DIR}/platform/userint/uir_reader.cpp
  ${CMAKE_SOURCE_DIR}/platform/userint/ui_filewrite.cpp)
set(TAVOLIN_HAS_PROGRAM OFF)
if(TAVOLIN_USERINT_WIN32 AND TAVOLIN_USERINT_FRONT AND EXISTS ${CMAKE_SOURCE_DIR}/platform/userint/uir_reader.cpp)
  set(TAVOLIN_HAS_PROGRAM ON)
else()
  message(STATUS "tavolin.exe left out: no Win32 panel run-time in platform/userint/win32")
endif()

# The manifest names the build's processor; the resource script finds it here.
set(TAVOLIN_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
configure_file(platform/userint/win32/tavolin.exe.manifest.in
  ${TAVOLIN_GENERATED_DIR}/tavolin.exe.manifest @ONLY)

if(TAVOLIN_HAS_PROGRAM)
  # The program's code on the Win32 panel run-time, for tavolin.exe and
  # tavolin-cli.exe alike.
  add_library(tavolin_win_core STATIC ${TAVOLIN_CORE_SOURCES}
    ${TAVOLIN_USERINT_WIN32} ${TAVOLIN_USERINT_SHARED}
    # The clock, as DDCHelper.dll has it built in: a copy of the program's own.
    platform/clock/PlatformClock.cpp)
  target_include_directories(tavolin_win_core PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/platform/userint)
  target_compile_definitions(tavolin_win_core PUBLIC PLATFORM_CLOCK_BUILT_IN)
  # gcc checks format(printf) against Microsoft's printf, which knows no
  # %zu; but in C++ mingw's stdio is its own C99 one, which does. The Linux
  # build checks the formats.
  target_compile_options(tavolin_win_core PUBLIC -Wno-format)
  target_link_libraries(tavolin_win_core PUBLIC tavolin_win32_platform DDCHelper AssistDll
    comctl32 comdlg32 user32 gdi32 shell32)

  # main(), as on Linux: mingw's start-up calls it in a WIN32 program too.
  add_executable(tavolin WIN32 app/main.cpp ${TAVOLIN_USERINT_RC})
  target_include_directories(tavolin PRIVATE ${TAVOLIN_GENERATED_DIR})
  set_property(SOURCE ${TAVOLIN_USERINT_RC} APPEND PROPERTY OBJECT_DEPENDS
    ${TAVOLIN_GENERATED_DIR}/tavolin.exe.manifest)
  target_link_libraries(tavolin PRIVATE tavolin_win_core)
  target_link_options(tavolin PRIVATE -static-libgcc -static-libstdc++)
  set_target_properties(tavolin PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_PROGRAM_DIR})
  tavolin_version_resource(tavolin tavolin.exe "Tavolin EDID programmer")

  # The command line: a console program on panels that are never shown.
  add_executable(tavolin-cli cli/main.cpp cli/cli_options.cpp cli/cli_query.cpp cli/cli_report.cpp cli/cli_run.cpp)
  target_link_libraries(tavolin-cli PRIVATE tavolin_win_core)
  target_link_options(tavolin-cli PRIVATE -static-libgcc -static-libstdc++)
  set_target_properties(tavolin-cli PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_PROGRAM_DIR})
  tavolin_version_resource(tavolin-cli tavolin-cli.exe "Tavolin command line")
endif()

# The package tool, a console program: the program's package and EDID image
# code and the bus library, as on Linux.
add_executable(tavolin-pkg ${TAVOLIN_PKGTOOL_SOURCES})
target_include_directories(tavolin-pkg PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(tavolin-pkg PRIVATE TAVOLIN_VERSION="${TAVOLIN_VERSION}")
target_compile_options(tavolin-pkg PRIVATE -Wno-format)
target_link_libraries(tavolin-pkg PRIVATE tavolin_win32_platform DDCHelper)
target_link_options(tavolin-pkg PRIVATE -static-libgcc -static-libstdc++)
set_target_properties(tavolin-pkg PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${TAVOLIN_PROGRAM_DIR})
tavolin_version_resource(tavolin-pkg tavolin-pkg.exe "Tavolin package tool")

# tavolin/ holds all the programs need; the installer's folder keeps its own
# copy of the bus library.
configure_file(ui/Pavimo.uir ${TAVOLIN_PROGRAM_DIR}/Pavimo.uir COPYONLY)
add_custom_target(program_folder ALL
  COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:DDCHelper> ${TAVOLIN_PROGRAM_DIR}
  DEPENDS DDCHelper AssistDll
  COMMENT "Laying out tavolin/")

# The unit record's tests, built with mingw and run under wine by
# tools/wine-unit-tests.sh: googletest from Debian's sources, built here.
set(TAVOLIN_GTEST_SOURCE /usr/src/googletest/googletest CACHE PATH "googletest's sources")
if(TAVOLIN_TESTS AND TARGET tavolin_sqlite3 AND EXISTS ${TAVOLIN_GTEST_SOURCE}/src/gtest-all.cc)
  add_library(tavolin_gtest STATIC ${TAVOLIN_GTEST_SOURCE}/src/gtest-all.cc
    ${TAVOLIN_GTEST_SOURCE}/src/gtest_main.cc)
  target_include_directories(tavolin_gtest SYSTEM PUBLIC ${TAVOLIN_GTEST_SOURCE}/include
    PRIVATE ${TAVOLIN_GTEST_SOURCE})
  # mingw's win32 thread model has no std::mutex for googletest's Notification.
  target_compile_options(tavolin_gtest PUBLIC
    -include ${CMAKE_SOURCE_DIR}/tests/support/gtest_win32_notification.h)
  add_executable(test_records tests/platform/test_records.cpp tests/platform/test_record_path_win32.cpp
    tests/support/temp_dir_win32.cpp tests/support/privileges_win32.cpp)
  target_include_directories(test_records PRIVATE ${CMAKE_SOURCE_DIR})
  target_compile_options(test_records PRIVATE -Wno-format)
  target_link_libraries(test_records PRIVATE tavolin_win32_platform tavolin_sqlite3 tavolin_gtest)
  target_link_options(test_records PRIVATE -static)
  set_target_properties(test_records PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
endif()

if(TAVOLIN_TESTS)
  # Stands in for the ActiveX component in tools/wine-installer-test.sh.
  add_library(DDCHelperX SHARED tests/wine/fake_activex.cpp)
  target_link_options(DDCHelperX PRIVATE -static-libgcc -static-libstdc++ -Wl,--kill-at)
  set_target_properties(DDCHelperX PROPERTIES PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)
  # Stand-ins for the graphics drivers' libraries in tools/wine-gpu-test.sh,
  # under the names a process of this architecture loads.
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(TAVOLIN_FAKE_NVAPI nvapi64)
    set(TAVOLIN_FAKE_ADL atiadlxx)
  else()
    set(TAVOLIN_FAKE_NVAPI nvapi)
    set(TAVOLIN_FAKE_ADL atiadlxy)
  endif()
  foreach(fake nvapi adl)
    add_library(fake_${fake} SHARED tests/wine/fake_${fake}.cpp platform/ddc/ddc_eeprom.cpp)
    target_include_directories(fake_${fake} PRIVATE ${CMAKE_SOURCE_DIR})
    target_link_options(fake_${fake} PRIVATE -static-libgcc -static-libstdc++)
  endforeach()
  set_target_properties(fake_nvapi PROPERTIES OUTPUT_NAME ${TAVOLIN_FAKE_NVAPI})
  set_target_properties(fake_adl PROPERTIES OUTPUT_NAME ${TAVOLIN_FAKE_ADL})
  set_target_properties(fake_nvapi fake_adl PROPERTIES PREFIX ""
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/wine)
endif()

# --- The ZIP ------------------------------------------------------------------
# cmake --build build-win --target package: tavolin-<version>-win32.zip (or
# -win64.zip), one folder of that name holding the program folder's files,
# the READMEs, the licence and the installer's folder.
# The Windows text with Windows' line ends, whatever the checkout has.
get_filename_component(TAVOLIN_SHIPPED_DIRNAME ${TAVOLIN_SHIPPED_SUBDIR} NAME)
configure_file(packaging/windows/README-Windows.txt ${CMAKE_BINARY_DIR}/README-Windows.txt
  @ONLY NEWLINE_STYLE CRLF)
if(TAVOLIN_HAS_PROGRAM)
  install(TARGETS tavolin tavolin-cli RUNTIME DESTINATION .)
endif()
install(TARGETS tavolin-pkg AssistDll DDCHelper RUNTIME DESTINATION .)
install(FILES ui/Pavimo.uir README.md ${CMAKE_BINARY_DIR}/README-Windows.txt DESTINATION .)
install(FILES packaging/copyright DESTINATION . RENAME copyright.txt)
install(TARGETS installer DDCHelper RUNTIME DESTINATION ${TAVOLIN_SHIPPED_SUBDIR})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tavolin)
set(CPACK_PACKAGE_VERSION ${TAVOLIN_VERSION})
set(CPACK_PACKAGE_VENDOR "Tavolin developers")
set(CPACK_PACKAGE_FILE_NAME tavolin-${TAVOLIN_VERSION}-${TAVOLIN_WIN_ARCH})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
