# Compile sets: how a group of targets compiles, written once. A set names
# the libraries whose headers it precompiles, those headers and, for test
# code, its own options.
#
# Precompiled headers: most of a window's or a test's compile time went to
# parsing Qt's and GoogleTest's headers again for every file; a set's headers
# are parsed once per build, by a small target of the set's own (pch_NAME),
# and every target compiled with the set reuses them. GCC takes a
# precompiled header only when the options, definitions and libraries match
# those it was made with; -Winvalid-pch (with -Werror) makes a mismatch a
# build error rather than a silent slow-down.
#
# Only system headers go in: a set never carries a header of the project's
# own, so the include lines between the layers still hold. A file that
# forgets to include a Qt or standard header that a set holds still compiles;
# a build configured with -DBANCADA_PCH=OFF shows it.
option(BANCADA_PCH "Precompile Qt's, GoogleTest's and the standard library's headers" ON)

set(BANCADA_PCH_STD <algorithm> <array> <cstdint> <functional> <map> <memory> <optional>
    <string> <utility> <vector>)
set(BANCADA_PCH_QT <QApplication> <QByteArray> <QCheckBox> <QComboBox> <QDate> <QDateTime>
    <QDialog> <QDir> <QFile> <QGroupBox> <QLabel> <QLineEdit> <QList> <QMainWindow>
    <QMessageBox> <QObject> <QPointer> <QPushButton> <QRadioButton> <QString>
    <QStringList> <QTimer> <QVariant> <QWidget>)

# bancada_compile_set(NAME [OPTIONS ...] LIBRARIES ... HEADERS ...)
function(bancada_compile_set name)
  cmake_parse_arguments(PARSE_ARGV 1 set "" "" "OPTIONS;LIBRARIES;HEADERS")
  set_property(GLOBAL PROPERTY BANCADA_SET_${name}_OPTIONS "${set_OPTIONS}")
  if(NOT BANCADA_PCH)
    return()
  endif()
  set(source ${CMAKE_BINARY_DIR}/pch/${name}.cpp)
  file(CONFIGURE OUTPUT ${source} CONTENT "// Compiles the precompiled headers of the set ${name}.\n")
  add_library(pch_${name} OBJECT ${source})
  target_compile_options(pch_${name} PRIVATE ${set_OPTIONS})
  target_link_libraries(pch_${name} PRIVATE ${set_LIBRARIES})
  target_precompile_headers(pch_${name} PRIVATE ${set_HEADERS})
endfunction()

# bancada_compile_with(TARGET NAME): TARGET compiles with the set's options
# and starts from its precompiled headers.
function(bancada_compile_with target name)
  get_property(options GLOBAL PROPERTY BANCADA_SET_${name}_OPTIONS)
  target_compile_options(${target} PRIVATE ${options})
  if(BANCADA_PCH)
    target_precompile_headers(${target} REUSE_FROM pch_${name})
  endif()
endfunction()
