#pragma once

#include "controls/orvlog/RowModel.h"

#include <QFont>
#include <QPixmap>
#include <QVariant>
#include <QWidget>
#include <memory>
#include <optional>

class QScrollBar;

namespace tavor {

class PropertyBag;

// The item list control: one-line rows of an icon and a text, with a hidden tag
// and tooltip per row, a highlighted selected row, a vertical scroll bar and a
// three-state check box among its icons. RowModel computes everything; this
// widget paints it and turns mouse input into the model's clicks.
class ORVLog : public QWidget {
    Q_OBJECT

public:
    // A list with a model of its own, holding the built-in pictures.
    explicit ORVLog(QWidget* parent = nullptr);
    // A list that shows a model kept elsewhere, which must outlive it; clicks and
    // layout land in that model.
    explicit ORVLog(RowModel& model, QWidget* parent = nullptr);
    ~ORVLog() override;

    // The model changed without going through the widget, or the widget was placed
    // while hidden: lays the rows out for the size set and repaints.
    void modelChanged();

    // Saved properties of the host: reading them (or the first placement
    // without them) follows creation; writing them is the host's save.
    void ReadProperties(const PropertyBag& bag);
    void InitProperties();
    void WriteProperties(PropertyBag& bag) const;
    // The host's store that is told when a saved property changes (may be null).
    void setPropertyStore(PropertyBag* store) { propertyStore_ = store; }

    void Add(const QVariant& Txt, const QVariant& Img, const QVariant& Tag = QVariant(),
             const QVariant& Tooltip = QVariant());
    void ChaneText(int Idx, const QVariant& Txt);
    QString List(int index) const { return model_.List(index); }
    void ChangeTag(int Idx, const QVariant& Tag);
    QString GetTag(int index) const { return model_.GetTag(index); }
    void ChaneImage(int index, const QVariant& Img);
    // The row's image kind; 0 (an empty value) for an index outside the list.
    int GetImage(int index) const { return model_.GetImage(index).value_or(0); }
    void SetCheck(int Idx, const QVariant& Value);
    int GetCheck(int Idx) const { return model_.GetCheck(Idx); }
    void RemoveItem(int Idx);
    void Clear();
    // Adds a picture under the next loaded kind (100, 101, ...); raises
    // tavor::Error once the loaded kinds are used up.
    void LoadImage(const QPixmap& pic);
    int ListCount() const { return model_.ListCount(); }

    int ListIndex() const { return model_.ListIndex(); }
    void setListIndex(int value);
    int TopItem() const { return model_.TopItem(); }
    void setTopItem(int value);
    int RowsView() const { return model_.RowsView(); }
    bool ScrollAutoHide() const { return model_.ScrollAutoHide(); }
    void setScrollAutoHide(bool value);
    bool Border() const { return model_.Border(); }
    void setBorder(bool value);
    int BorderStyle() const { return model_.geometry().borderStyle(); }

    quint32 BackColor() const { return model_.BackColor(); }
    void setBackColor(quint32 value);
    quint32 ForeColor() const { return model_.ForeColor(); }
    void setForeColor(quint32 value);
    QFont Font() const { return font(); }
    void setFont(const QFont& value);
    bool RightToLeft() const { return model_.RightToLeft(); }
    void setRightToLeft(bool value);
    bool AllowFocusChange() const { return model_.AllowFocusChange(); }
    void setAllowFocusChange(bool value);
    bool Enabled() const { return isEnabled(); }
    quintptr hWnd() { return quintptr(winId()); }

    const RowModel& model() const { return model_; }

Q_SIGNALS:
    void DblClick();
    void Click();
    // By reference: a handler may change the row index and the kind that the
    // check-box toggle then uses.
    void ImageClick(int& Idx, int& Kind);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    ORVLog(std::unique_ptr<RowModel> own, RowModel* shown, QWidget* parent);
    void markChanged(const QString& name);
    void layoutPass();
    void catchUpResize();
    int borderPixels() const;
    void paintBorder(QPainter& painter);
    void syncScrollBar();
    void refresh();
    QPoint toTwips(const QPoint& pixel) const;
    RowModel::Hit hitAt(const QPointF& pixel) const;
    QRect toPixels(int left, int top, int width, int height) const;
    QColor colour(quint32 value) const;
    void paintRows(QPainter& painter, const QRect& canvas);
    static QFont designFont();

    std::unique_ptr<RowModel> ownModel_;
    RowModel& model_;
    QScrollBar* scrollBar_ = nullptr;
    // Where the left button went down; a click needs the release over the same element.
    std::optional<RowModel::Hit> pressed_;
    PropertyBag* propertyStore_ = nullptr;
};

} // namespace tavor
