#pragma once

#include "controls/orvlog/RowModel.h"
#include "window/FormDesign.h"

#include <QHash>
#include <QObject>
#include <QRect>
#include <QStringList>
#include <functional>
#include <map>

namespace tavor {

// One control of the main window as it stands: where it was last placed (twips
// from its container's corner), its own visibility flag, whether it takes input,
// its text, and the entries of a list box, combo box or file list.
struct ControlState {
    const ControlDesign* design = nullptr;
    QRect twips;
    bool visible = true;
    bool enabled = true;
    // A frame or panel drawn with its border.
    bool border = true;
    QString text;
    QStringList items;
    // A file list's folder and wildcard pattern.
    QString path;
    QString pattern = QStringLiteral("*.*");
    // A picture control's picture, a resource path.
    QString picture;
};

// What the main window shows, without a widget: its title, outer height and
// visibility, every control of the design by its name, the rows of the two item
// lists, the progress bar and the clip player. The state dump is written from it,
// the unattended commands run on it alone, and the window's widgets render it:
// they follow its signals, and what the operator types or clicks comes back into
// it. Members naming a control that the design lacks raise tavor::Error.
class WindowModel : public QObject {
    Q_OBJECT

public:
    WindowModel();

    const QString& title() const { return title_; }
    void setTitle(const QString& title);
    // In twips, frame included.
    int outerHeight() const { return outerHeight_; }
    void setOuterHeight(int twips);
    bool isVisible() const { return visible_; }
    void setVisible(bool visible);

    // Design order.
    QStringList controlNames() const;
    const ControlState& control(const QString& name) const;
    void place(const QString& name, int left, int top, int width, int height);
    void setControlVisible(const QString& name, bool visible);
    void setControlEnabled(const QString& name, bool enabled);
    void setBorder(const QString& name, bool border);
    void setText(const QString& name, const QString& text);
    // Brings a control in front of the others in its container.
    void raise(const QString& name);
    void setItems(const QString& name, const QStringList& items);
    // A combo box whose list was empty shows the first entry added, as the control does.
    void appendItems(const QString& name, const QStringList& items);
    void showListing(const QString& name, const QString& folder, const QString& pattern,
                     const QStringList& names);

    // The item lists, ORVLog1 and ORVLog2, each with the built-in pictures.
    const RowModel& list(const QString& name) const;
    RowModel& list(const QString& name);
    void changeList(const QString& name, const std::function<void(RowModel&)>& change);

    // The progress bar's value, kept within 16 bits as the control keeps it.
    int progressValue() const { return progressValue_; }
    int progressStyle() const { return progressStyle_; }
    void setProgressValue(int value);
    // The value back at 0 and a new timing period for the remaining time.
    void resetProgress();

    // The clip player of the busy panel.
    bool animationAutoPlay() const { return animationAutoPlay_; }
    void setAnimationAutoPlay(bool on);
    void openAnimation(const QString& path);
    void stopAnimation();

Q_SIGNALS:
    void windowChanged();
    void controlChanged(const QString& name);
    void controlRaised(const QString& name);
    void progressReset();
    void animationOpened(const QString& path);
    void animationStopped();

private:
    ControlState& at(const QString& name);
    // Changes a control and tells its widget.
    void change(const QString& name, const std::function<void(ControlState&)>& edit);

    QString title_ = QStringLiteral("Form1");
    int outerHeight_ = FormDesign::ClientHeight + FormDesign::FrameAbove + FormDesign::FrameBelow;
    bool visible_ = false;
    QHash<QString, ControlState> controls_;
    // Node-based: the list widgets keep references to their rows' models.
    std::map<QString, RowModel> lists_;
    int progressValue_ = 0;
    int progressStyle_ = 0;
    bool animationAutoPlay_ = false;
};

} // namespace tavor
