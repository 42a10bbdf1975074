#pragma once

#include <QObject>

namespace framework::detail {

// While it exists, keyboard, mouse, wheel and touch input to every window of the program is dropped,
// and the pointer shows that the program is busy. Windows still repaint.
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
