# quorvale_add_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [XVFB] [KEYRING])
# Builds one QtTest executable and registers it with CTest. Every test runs under a machine zone far
# from Shanghai and a plain locale, so any use of the machine's zone or locale shows up as a failure;
# the program fixes them itself too (tests/support/testenvironment.cpp), so a test run by hand does
# the same.
# KEYRING runs the test through scripts/with-keyring: a private session bus and a throwaway,
# unlocked Secret Service.
function(quorvale_add_test)
  cmake_parse_arguments(T "XVFB;KEYRING" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test QuorvaleTestSupport ${T_LIBS})
  set(command $<TARGET_FILE:${T_NAME}>)
  if(T_KEYRING)
    list(PREPEND command ${PROJECT_SOURCE_DIR}/scripts/with-keyring)
  endif()
  if(T_XVFB)
    # A screen that holds the application's whole window, in full colour.
    list(PREPEND command xvfb-run -a -s "-screen 0 1600x1000x24")
    set(platform_name xcb)
  else()
    set(platform_name offscreen)
  endif()
  target_compile_definitions(${T_NAME} PRIVATE QUORVALE_TEST_PLATFORM="${platform_name}")
  add_test(NAME ${T_NAME} COMMAND ${command})
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT 300
    ENVIRONMENT "TZ=America/Los_Angeles;LANG=C.UTF-8;LC_ALL=C.UTF-8;QT_QPA_PLATFORM=${platform_name};QTWEBENGINE_DISABLE_SANDBOX=1")
endfunction()
