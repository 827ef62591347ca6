#pragma once
// RadioGroup: a group box holding one column of radio buttons, with a selected index.
// The index is -1 (no item) or 0..count-1; clicked() is emitted whenever the index moves to
// an item, by the user or from code, and never when it stays or becomes -1.
#include <QGroupBox>
#include <QStringList>

#include <vector>

class QRadioButton;

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& title, const QStringList& items, QWidget* parent = nullptr);

    int count() const { return static_cast<int>(buttons_.size()); }
    int itemIndex() const { return index_; }
    // Clamped to -1..count-1 first.
    void setItemIndex(int index);

    QString itemText(int i) const;
    // Replaces the text of item i; the selection stays and clicked() is not emitted.
    void setItemText(int i, const QString& text);
    QRadioButton* button(int i) const { return buttons_.at(static_cast<std::size_t>(i)); }

signals:
    void clicked();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();
    void showIndex();

    std::vector<QRadioButton*> buttons_;
    int index_ = -1;
    bool syncing_ = false;
};
