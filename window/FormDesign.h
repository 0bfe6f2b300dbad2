#pragma once

#include <QList>
#include <QString>

namespace tavor {

// One control of the main window as designed: geometry in twips from its
// container's top-left corner, never mirrored.
struct ControlDesign {
    enum class Kind {
        Frame,
        Label,
        Button,
        Panel,
        ItemList,
        ProgressBar,
        Animation,
        Picture,
        ListBox,
        FileListBox,
        ComboBox,
        TextBox
    };
    QString name;
    Kind kind;
    QString container;
    int left, top, width, height;
    QString text;
    QString fontFamily; // empty: the window's default dialog font
    double fontPointSize;
    bool fontBold;
    bool visible;
    int tabIndex; // -1: takes no focus
};

// The main window's controls in design order, and its fixed measures.
class FormDesign {
public:
    // The window's own design name, the container of its top-level controls.
    static constexpr const char* WindowName = "frmBackup";

    static const QList<ControlDesign>& controls();
    static const ControlDesign* find(const QString& name);

    static constexpr int ClientWidth = 7755;
    static constexpr int ClientHeight = 6990;
    // Frame allowance of the designed dialog border: 360 above, 45 below the client area.
    static constexpr int FrameAbove = 360;
    static constexpr int FrameBelow = 45;
    static constexpr int NormalHeight = 4050;
    static constexpr int MaintenanceHeight = 7350;
    static constexpr int TwipsPerPixel = 15;
};

} // namespace tavor
