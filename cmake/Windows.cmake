# Windows build (MinGW): the two programs, and the integration and end-to-end tests (run under Wine).
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
add_compile_options(-Wall -Wextra)
add_link_options(-static -static-libgcc -static-libstdc++)
# Release programs carry no symbols: they are what we ship.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE "${CMAKE_EXE_LINKER_FLAGS_RELEASE} -s")
enable_language(RC)
# Size: the release programs are optimised for size, and the linker keeps only the functions and
# data they reach.
set(CMAKE_CXX_FLAGS_RELEASE "-Os -DNDEBUG")
set(CMAKE_C_FLAGS_RELEASE "-Os -DNDEBUG")
add_compile_options(-ffunction-sections -fdata-sections)
add_link_options(-Wl,--gc-sections)
# Address-space layout randomisation and no-execute data stay on (the relocation section stays).
add_link_options(-Wl,--dynamicbase -Wl,--nxcompat)
# Reproducible: two builds of the same sources in different folders give the same bytes. The
# linker writes no link time into the PE header, and no build folder reaches the programs.
add_link_options(-Wl,--no-insert-timestamp)
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}/= -ffile-prefix-map=${CMAKE_BINARY_DIR}/=)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(DIST_NAME win64)
else()
  set(DIST_NAME win32)
  # More than 2 GB of address space (4 GB on 64-bit systems); x86_64 programs have it by default.
  add_link_options(-Wl,--large-address-aware)
endif()
set(DIST_DIR ${CMAKE_SOURCE_DIR}/dist/${DIST_NAME})

# The version resource's numbers and the manifests' identities, from the file VERSION; windres
# finds the generated files through the include path, also when a resource script names them.
set(GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
foreach(generated ProductVersion.h app.manifest ZoradidIvavuda.manifest)
  configure_file(${CMAKE_SOURCE_DIR}/res/${generated}.in ${GENERATED_DIR}/${generated} @ONLY)
endforeach()
include_directories(${GENERATED_DIR})

# windres reads the pictures, manifests and style that the resource scripts name, but nothing
# records that: without this, a redrawn icon would leave the programs with the old one.
file(GLOB RESOURCE_INPUTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.ico ${CMAKE_SOURCE_DIR}/res/*.bmp
     ${CMAKE_SOURCE_DIR}/res/*.style ${CMAKE_SOURCE_DIR}/res/*.inc ${GENERATED_DIR}/*)
file(GLOB RESOURCE_SCRIPTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/res/*.rc ${CMAKE_SOURCE_DIR}/tests/win/*.rc
     ${CMAKE_SOURCE_DIR}/tests/win/helpers/*.rc)
set_source_files_properties(${RESOURCE_SCRIPTS} PROPERTIES OBJECT_DEPENDS "${RESOURCE_INPUTS}")

# ntdll: files and folders are opened relative to the handle of a checked folder (NtCreateFile).
set(WIN_LIBS comctl32 gdi32 user32 kernel32 advapi32 shell32 ole32 uuid version msimg32 shlwapi ntdll)

# Everything Windows-only except the two programs' entries, so that tests can link it.
set(ENTRY_SOURCE ${CMAKE_SOURCE_DIR}/app/ZudazuvOrerozoVuzuvaz_win.cpp)
list(REMOVE_ITEM WIN_SOURCES ${ENTRY_SOURCE})
# The programs' terminate handler and error helpers replace the runtime's, so they are linked into
# each program itself (from a library the runtime's own would be found first).
set(RUNTIME_SOURCES ${CMAKE_SOURCE_DIR}/platform/win32/Terminate.cpp ${CMAKE_SOURCE_DIR}/platform/win32/RuntimeErrors.cpp)
list(REMOVE_ITEM PLATFORM_WIN32_SOURCES ${RUNTIME_SOURCES})
add_library(winplat STATIC ${WIN_SOURCES} ${PLATFORM_WIN32_SOURCES})
target_link_libraries(winplat PUBLIC core ${WIN_LIBS})

function(add_panel name rc)
  add_executable(${name} WIN32 ${ENTRY_SOURCE} ${RUNTIME_SOURCES} ${rc})
  target_link_options(${name} PRIVATE -municode)
  target_link_libraries(${name} PRIVATE winplat)
endfunction()

add_panel(ZudazuvOrerozoVuzuvaz ${CMAKE_SOURCE_DIR}/res/ZudazuvOrerozoVuzuvaz.rc)
set_target_properties(ZudazuvOrerozoVuzuvaz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR})

# The service's Event Log messages: the message compiler makes a header of message ids and a
# message table resource, which the program carries (it is its own message file).
string(REGEX REPLACE "windres$" "windmc" MC_COMPILER ${CMAKE_RC_COMPILER})
set(MESSAGES_DIR ${CMAKE_BINARY_DIR}/messages)
set(MESSAGES_MC ${CMAKE_SOURCE_DIR}/companion/ZoradidIvavudaMessages.mc)
add_custom_command(
  OUTPUT ${MESSAGES_DIR}/ZoradidIvavudaMessages.h ${MESSAGES_DIR}/ZoradidIvavudaMessages.rc
         ${MESSAGES_DIR}/ZoradidIvavudaMessages_MSG00409.bin
  COMMAND ${CMAKE_COMMAND} -E make_directory ${MESSAGES_DIR}
  COMMAND ${MC_COMPILER} -U -b -h ${MESSAGES_DIR} -r ${MESSAGES_DIR} ${MESSAGES_MC}
  DEPENDS ${MESSAGES_MC}
  COMMENT "Compiling the service's message table")
set_source_files_properties(${MESSAGES_DIR}/ZoradidIvavudaMessages.rc PROPERTIES
  OBJECT_DEPENDS ${MESSAGES_DIR}/ZoradidIvavudaMessages_MSG00409.bin)
add_custom_target(companion_messages DEPENDS ${MESSAGES_DIR}/ZoradidIvavudaMessages.h)

file(GLOB COMPANION_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/companion/*.cpp)
list(REMOVE_ITEM COMPANION_SOURCES ${COMPANION_CORE_SOURCES})
add_executable(ZoradidIvavuda ${COMPANION_SOURCES} ${RUNTIME_SOURCES} ${CMAKE_SOURCE_DIR}/res/ZoradidIvavuda.rc
               ${MESSAGES_DIR}/ZoradidIvavudaMessages.rc)
target_include_directories(ZoradidIvavuda PRIVATE ${MESSAGES_DIR})
target_link_options(ZoradidIvavuda PRIVATE -municode)
target_link_libraries(ZoradidIvavuda PRIVATE winplat)
set_target_properties(ZoradidIvavuda PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${DIST_DIR})

# The installer package of the i686 build (scripts/package.sh, with wixl), and one of a lower
# version for the upgrade test. The release's own is scripts/release.sh's, in dist/.
find_program(WIXL wixl)
if(DIST_NAME STREQUAL win32 AND WIXL)
  set(PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
  set(PACKAGE_MSI ${PACKAGE_DIR}/ZudazuvOrerozoVuzuvaz-${PROJECT_VERSION}.msi)
  set(OLDER_PACKAGE_MSI ${PACKAGE_DIR}/ZudazuvOrerozoVuzuvaz-0.0.1.msi)
  set(PACKAGE_SCRIPT ${CMAKE_SOURCE_DIR}/scripts/package.sh)
  add_custom_command(
    OUTPUT ${PACKAGE_MSI} ${OLDER_PACKAGE_MSI}
    COMMAND ${PACKAGE_SCRIPT} ${DIST_DIR} ${PACKAGE_MSI}
    COMMAND ${PACKAGE_SCRIPT} ${DIST_DIR} ${OLDER_PACKAGE_MSI} 0.0.1
    DEPENDS ZudazuvOrerozoVuzuvaz ZoradidIvavuda ${PACKAGE_SCRIPT} ${CMAKE_SOURCE_DIR}/installer/ZudazuvOrerozoVuzuvaz.wxs
            ${CMAKE_SOURCE_DIR}/res/AppIcon.ico ${CMAKE_SOURCE_DIR}/VERSION
    COMMENT "Building the installer packages")
  add_custom_target(installer_package ALL DEPENDS ${PACKAGE_MSI} ${OLDER_PACKAGE_MSI})
elseif(DIST_NAME STREQUAL win32)
  message(STATUS "wixl not found: no installer package and no package tests (scripts/setup.sh installs it)")
endif()

option(BUILD_WIN_TESTS "Build the tests that run under Wine" ON)
if(BUILD_WIN_TESTS)
  enable_testing()
  set(gtest_force_shared_crt OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  # The framework's Notification needs std::mutex, which the win32 thread model's standard
  # library does not have; every file that sees the framework takes ours instead.
  target_compile_definitions(gtest PUBLIC GTEST_HAS_NOTIFICATION_=1)
  target_compile_options(gtest PUBLIC
      "SHELL:$<$<COMPILE_LANGUAGE:CXX>:-include ${CMAKE_SOURCE_DIR}/tests/support/GTestNotification.h>")

  # A panel built without the style resource, for the missing-style test.
  add_panel(ZudazuvOrerozoVuzuvaz_nostyle ${CMAKE_SOURCE_DIR}/res/ZudazuvOrerozoVuzuvaz_nostyle.rc)
  set_target_properties(ZudazuvOrerozoVuzuvaz_nostyle PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/nostyle)

  # Small programs the tests start (each tests/win/helpers/<name>.cpp is its own console program).
  file(GLOB HELPER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/helpers/*.cpp)
  set(WINDOWED_HELPERS bench_minimal_panel refusing_panel)
  foreach(src ${HELPER_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    # A helper's resources, where it has any, lie beside it as <name>.rc; the stand-ins for the
    # panel are windowed programs like the panel itself.
    get_filename_component(dir ${src} DIRECTORY)
    if(EXISTS ${dir}/${name}.rc)
      target_sources(${name} PRIVATE ${dir}/${name}.rc)
    endif()
    if(name IN_LIST WINDOWED_HELPERS)
      set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
    endif()
    target_link_options(${name} PRIVATE -municode)
    target_link_libraries(${name} PRIVATE winplat)
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/helpers)
    list(APPEND HELPER_TARGETS ${name})
  endforeach()

  # The test program carries the panel's manifest, so that it gets the same common controls.
  file(GLOB WIN_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/win/*.cpp ${CMAKE_SOURCE_DIR}/tests/win/*.rc)
  # With the programs' error helpers, so that their texts are checked against the runtime's.
  add_executable(win_tests ${WIN_TEST_SOURCES} ${CMAKE_SOURCE_DIR}/platform/win32/RuntimeErrors.cpp)
  target_include_directories(win_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests ${MESSAGES_DIR})
  add_dependencies(win_tests companion_messages)
  target_link_libraries(win_tests PRIVATE winplat gtest gmock gtest_main)
  target_compile_definitions(win_tests PRIVATE
      DIST_DIR="${DIST_DIR}" HELPERS_DIR="${CMAKE_BINARY_DIR}/helpers" BUILD_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(win_tests ZudazuvOrerozoVuzuvaz ZoradidIvavuda ${HELPER_TARGETS})
  add_test(NAME win_tests COMMAND win_tests)
  set_tests_properties(win_tests PROPERTIES TIMEOUT 600)

  file(GLOB E2E_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp)
  add_executable(e2e_tests ${E2E_SOURCES})
  target_include_directories(e2e_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(e2e_tests PRIVATE winplat gtest gmock gtest_main)
  target_compile_definitions(e2e_tests PRIVATE
      DIST_DIR="${DIST_DIR}" HELPERS_DIR="${CMAKE_BINARY_DIR}/helpers" BUILD_DIR="${CMAKE_BINARY_DIR}")
  add_dependencies(e2e_tests ZudazuvOrerozoVuzuvaz ZoradidIvavuda ZudazuvOrerozoVuzuvaz_nostyle ${HELPER_TARGETS})
  add_test(NAME e2e_tests COMMAND e2e_tests)
  set_tests_properties(e2e_tests PROPERTIES TIMEOUT 900)

  if(TARGET installer_package)
    # In a fresh prefix of its own; it starts its own Wine processes and ends them.
    add_test(NAME package_tests COMMAND ${CMAKE_SOURCE_DIR}/tests/package/PackageTest.sh
             ${PACKAGE_MSI} ${OLDER_PACKAGE_MSI} ${DIST_DIR} ${PACKAGE_DIR}/test)
    set_tests_properties(package_tests PROPERTIES TIMEOUT 600)
    # Signing with a throwaway certificate (no Wine).
    add_test(NAME package_signing COMMAND ${CMAKE_SOURCE_DIR}/tests/package/SigningTest.sh
             ${DIST_DIR} ${PACKAGE_MSI} ${PACKAGE_DIR}/signing)
  endif()
endif()
