#pragma once

#include <QObject>

namespace framework::detail {

// While it exists, keyboard, mouse, wheel, touch and drag-and-drop input to every window of the program
// is dropped, and so are windows closed from their title bars; the pointer shows that the program is
// busy. Windows still repaint.
class InputBlocker : public QObject
{
public:
    InputBlocker();
    ~InputBlocker() override;
    InputBlocker(const InputBlocker&) = delete;
    InputBlocker& operator=(const InputBlocker&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace framework::detail
