# Tests of the main window and of start-up with its single-instance guard.
# Included from tests/app/CMakeLists.txt.
foreach(name MainWindowTest SingleInstanceTest)
  add_executable(${name} ${name}.cpp)
  set_target_properties(${name} PROPERTIES AUTOMOC ON)
  target_link_libraries(${name} PRIVATE veskat_app veskat_test_support Qt6::Test)
  add_test(NAME app_${name} COMMAND ${name})
  set_tests_properties(app_${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endforeach()
# The single-instance test starts real copies of the program.
target_compile_definitions(SingleInstanceTest PRIVATE VESKAT_EXE="$<TARGET_FILE:veskat>")
add_dependencies(SingleInstanceTest veskat)
set_tests_properties(app_SingleInstanceTest PROPERTIES TIMEOUT 120)

# Shows the main window on sample subjects and the icons at every size, in
# the desktop's palette or a dark one, for looking at them on a real display.
add_executable(show_looks ShowLooks.cpp)
target_link_libraries(show_looks PRIVATE veskat_app)
target_compile_definitions(show_looks PRIVATE VESKAT_ICON_DIR="${PROJECT_SOURCE_DIR}/res/icons")
