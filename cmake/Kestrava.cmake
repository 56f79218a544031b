# Shared build settings for every target of the project.

function(kestrava_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
endfunction()

if(WIN32)
    # Windows binaries carry no runtime DLLs: everything but the system's own is linked in.
    set(KESTRAVA_STATIC_LINK -static -static-libgcc -static-libstdc++)
    # Small binaries: unused functions and data are dropped at link time.
    add_compile_options(-ffunction-sections -fdata-sections)
    add_link_options(-Wl,--gc-sections -Wl,--fatal-warnings)
    add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501 _WIN32_IE=0x0600)

    # 32-bit stdcall names carry their argument bytes (Name@12); 64-bit Windows
    # has one calling convention and plain names. Module definitions are kept
    # in the 32-bit form; `out` names the one for this build.
    function(kestrava_module_definition def out)
        if(CMAKE_SIZEOF_VOID_P EQUAL 8)
            get_filename_component(name ${def} NAME)
            file(READ ${def} text)
            string(REGEX REPLACE "@[0-9]+" "" text "${text}")
            set(plain ${CMAKE_BINARY_DIR}/def/${name})
            file(CONFIGURE OUTPUT ${plain} CONTENT "${text}" @ONLY)
            set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
            set(${out} ${plain} PARENT_SCOPE)
        else()
            set(${out} ${def} PARENT_SCOPE)
        endif()
    endfunction()

    # Import libraries that load a DLL at its first call instead of at start:
    # the editor's DLLs cost a program that mostly waits in the tray 1.7 MB.
    # Their functions must be called through the library's stubs, not through
    # the import slots that a dllimport declaration reads directly.
    add_compile_definitions(WINCOMMCTRLAPI= WINCOMMDLGAPI=)
    function(kestrava_delay_load_library name)
        kestrava_module_definition(${CMAKE_SOURCE_DIR}/cmake/delayload/${name}.def def)
        set(lib ${CMAKE_BINARY_DIR}/delayload/lib${name}_delay.a)
        add_custom_command(OUTPUT ${lib}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/delayload
            COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${def} --dllname ${name}.dll --output-delaylib ${lib}
            DEPENDS ${def})
        add_custom_target(${name}_delay_library DEPENDS ${lib})
        add_library(${name}_delay INTERFACE)
        target_link_libraries(${name}_delay INTERFACE ${lib})
        add_dependencies(${name}_delay ${name}_delay_library)
    endfunction()
    foreach(dll comctl32 comdlg32 version wtsapi32 userenv)
        kestrava_delay_load_library(${dll})
    endforeach()

    # Which Windows the tree builds for: the rig runs its programs in a prefix of that bitness.
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(KESTRAVA_ARCH x64)
    else()
        set(KESTRAVA_ARCH x86)
    endif()

    find_program(KESTRAVA_PYTHON NAMES python3 HINTS /usr/bin REQUIRED)
    set(KESTRAVA_RIG_DIR "${CMAKE_BINARY_DIR}/rig" CACHE PATH "Wine prefix, X display and logs of the test rig")

    # A program of the tests or benchmarks: GUI or console, statically linked.
    function(kestrava_program name)
        cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS;OPTIONS" ${ARGN})
        add_executable(${name} ${ARG_SOURCES})
        kestrava_warnings(${name})
        if(ARG_GUI)
            target_link_options(${name} PRIVATE -mwindows)
        endif()
        target_link_options(${name} PRIVATE ${ARG_OPTIONS})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} ${KESTRAVA_STATIC_LINK})
        target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR})
    endfunction()

    # A GoogleTest executable run under Wine inside the rig's prefix; ARGS go
    # on its command line (a filter for tests that run only as a child).
    function(kestrava_wine_gtest name)
        cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ARGS" ${ARGN})
        add_executable(${name} ${ARG_SOURCES})
        kestrava_warnings(${name})
        target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest_main ${KESTRAVA_STATIC_LINK})
        # The result file is named as Wine sees it: drive Z: is the Unix root.
        add_test(NAME ${name} COMMAND ${name} --gtest_output=xml:Z:${CMAKE_BINARY_DIR}/test-results/${name}.xml
                 ${ARG_ARGS})
        set_tests_properties(${name} PROPERTIES
            FIXTURES_REQUIRED rig
            ENVIRONMENT "KESTRAVA_RIG=${KESTRAVA_RIG_DIR};KESTRAVA_ARCH=${KESTRAVA_ARCH}"
            LABELS unit
            TIMEOUT 300)
    endfunction()
endif()
