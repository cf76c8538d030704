# Most of a file's compile time here is Qt's headers. Each group parses them once: an empty owner
# library with exactly the group's Qt modules precompiles them, and its members reuse the result.
# A member the compiler refuses the result for still compiles, from the headers themselves.
# MSVC warns (C4605) when a member defines a macro its owner did not, as ours do: there it is off by default.
if(MSVC)
  set(velmora_pch_default OFF)
else()
  set(velmora_pch_default ON)
endif()
option(VELMORA_PCH "Precompile the Qt headers once per group of targets" ${velmora_pch_default})

set(velmora_pch_core
  <QByteArray> <QCoreApplication> <QDir> <QElapsedTimer> <QFile> <QFileInfo> <QObject> <QPointer>
  <QSettings> <QString> <QStringList> <QTimer> <QIODevice>
  <array> <coroutine> <functional> <memory> <optional> <vector>)
set(velmora_pch_widgets ${velmora_pch_core}
  <QApplication> <QCheckBox> <QComboBox> <QDialog> <QGroupBox> <QLabel> <QLineEdit> <QMainWindow>
  <QMessageBox> <QPushButton> <QRadioButton> <QWidget>)

set(velmora_pch_core_modules Qt6::Core)
set(velmora_pch_widgets_modules Qt6::Core Qt6::Gui Qt6::Widgets)

# velmora_precompiled(GROUP TARGET...): TARGETs reuse GROUP's precompiled headers.
function(velmora_precompiled group)
  if(NOT VELMORA_PCH)
    return()
  endif()
  if(NOT TARGET pch_${group})
    add_library(pch_${group} OBJECT ${CMAKE_SOURCE_DIR}/cmake/precompiled_owner.cpp)
    target_link_libraries(pch_${group} PRIVATE ${velmora_pch_${group}_modules})
    target_precompile_headers(pch_${group} PRIVATE ${velmora_pch_${group}})
  endif()
  foreach(target ${ARGN})
    target_precompile_headers(${target} REUSE_FROM pch_${group})
  endforeach()
endfunction()
