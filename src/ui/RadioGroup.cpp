#include "ui/RadioGroup.h"

#include <QRadioButton>

#include <algorithm>

RadioGroup::RadioGroup(const QString& title, const QStringList& items, QWidget* parent)
    : QGroupBox(title, parent)
{
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        buttons_.push_back(button);
        connect(button, &QRadioButton::toggled, this, [this, i](bool on) {
            if (on && !syncing_)
                setItemIndex(i);
        });
    }
    placeButtons();
}

void RadioGroup::setItemIndex(int index)
{
    index = std::clamp(index, -1, count() - 1);
    if (index == index_) {
        showIndex();
        return;
    }
    index_ = index;
    showIndex();
    if (index_ >= 0)
        emit clicked();
}

QString RadioGroup::itemText(int i) const
{
    return button(i)->text();
}

void RadioGroup::setItemText(int i, const QString& text)
{
    button(i)->setText(text);
}

void RadioGroup::showIndex()
{
    syncing_ = true;
    for (int i = 0; i < count(); ++i) {
        QRadioButton* b = buttons_[static_cast<std::size_t>(i)];
        if (b->isChecked() != (i == index_)) {
            // Auto-exclusive buttons refuse to clear the last checked one; -1 needs that.
            b->setAutoExclusive(false);
            b->setChecked(i == index_);
            b->setAutoExclusive(true);
        }
    }
    syncing_ = false;
}

void RadioGroup::resizeEvent(QResizeEvent* event)
{
    QGroupBox::resizeEvent(event);
    placeButtons();
}

void RadioGroup::placeButtons()
{
    // The items share the space below the caption evenly, one column.
    if (buttons_.empty())
        return;
    const QRect area = contentsRect();
    const int rowHeight = std::max(1, area.height() / count());
    for (int i = 0; i < count(); ++i)
        buttons_[static_cast<std::size_t>(i)]->setGeometry(
            area.left() + 6, area.top() + i * rowHeight, std::max(1, area.width() - 12), rowHeight);
}
