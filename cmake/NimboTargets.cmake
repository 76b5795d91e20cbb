# One helper per kind of target, so that language level, warnings and Qt
# settings are decided in one place.

function(nimbo_target_settings target)
  target_compile_features(${target} PUBLIC cxx_std_20)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic)
  if(NIMBO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_FOREACH
    QT_DISABLE_DEPRECATED_UP_TO=0x060400
    QT_NO_CAST_FROM_BYTEARRAY)
  if(NIMBO_PCH)
    # The shared header is used only where the compiler sees the settings it
    # was made with: the thread flag and the large-file definition that some
    # libraries bring are given to every target alike.
    target_compile_options(${target} PRIVATE -pthread -Wno-error=invalid-pch)
    target_compile_definitions(${target} PRIVATE _LARGEFILE64_SOURCE)
    foreach(qt Qt6::Widgets Qt6::Sql Qt6::Gui Qt6::Core)
      target_include_directories(${target} SYSTEM PRIVATE $<TARGET_PROPERTY:${qt},INTERFACE_INCLUDE_DIRECTORIES>)
      target_compile_definitions(${target} PRIVATE $<TARGET_PROPERTY:${qt},INTERFACE_COMPILE_DEFINITIONS>)
    endforeach()
    if(NOT target STREQUAL "nimbo_pch")
      target_precompile_headers(${target} REUSE_FROM nimbo_pch)
    endif()
  endif()
endfunction()

# nimbo_add_library(<folder> [DEPS targets...])
# Builds every .cpp/.h of the current source folder into the static library
# nimbo_<folder>.
function(nimbo_add_library name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
    ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
  add_library(nimbo_${name} STATIC ${sources})
  target_include_directories(nimbo_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(nimbo_${name} PUBLIC ${ARG_DEPS})
  nimbo_target_settings(nimbo_${name})
endfunction()

# nimbo_add_executable(<name> SOURCES ... DEPS ...)
function(nimbo_add_executable name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS})
  nimbo_target_settings(${name})
endfunction()

# nimbo_add_test(<folder> DEPS ...)
# One test program per tests/<folder>, from every .cpp in it, registered
# test by test with CTest and run on the offscreen platform.
function(nimbo_add_test name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_executable(test_${name} ${sources})
  target_link_libraries(test_${name} PRIVATE nimbo_testsupport ${ARG_DEPS})
  nimbo_target_settings(test_${name})
  gtest_discover_tests(test_${name}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    TEST_PREFIX "${name}."
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
               TIMEOUT 300)
endfunction()

# nimbo_add_bench(<name> SOURCES ... DEPS ...)
function(nimbo_add_bench name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE benchmark::benchmark ${ARG_DEPS})
  nimbo_target_settings(${name})
endfunction()

# One precompiled header of the Qt headers nearly every file includes, built
# once and reused by every target. Every target sees the compile settings of
# Qt Widgets and Sql (include folders and definitions, not the libraries),
# so the one header is valid for all of them.
function(nimbo_add_pch)
  add_library(nimbo_pch STATIC ${PROJECT_SOURCE_DIR}/cmake/pch.cpp)
  target_link_libraries(nimbo_pch PRIVATE Qt6::Widgets Qt6::Sql)
  nimbo_target_settings(nimbo_pch)
  target_precompile_headers(nimbo_pch PRIVATE
    <QByteArray> <QDate> <QDateTime> <QHash> <QList> <QMap> <QRegularExpression> <QSet> <QString>
    <QStringList> <QVariant> <QVector> <QFile> <QDir> <QFileInfo>
    <QSqlDatabase> <QSqlError> <QSqlQuery>
    <QWidget> <QLabel> <QLineEdit> <QPushButton> <QComboBox> <QVBoxLayout> <QHBoxLayout> <QGridLayout>
    <QTableView> <QHeaderView> <QTreeWidget> <QCheckBox> <QRadioButton> <QGroupBox>
    <functional> <memory> <optional> <vector>)
endfunction()
