#pragma once

#include <QObject>
#include <utility>

namespace framework::detail {

// While it exists, keyboard, mouse, wheel, touch and drag-and-drop input to every window of the program
// is dropped, and so are windows closed from their title bars; the pointer shows that the program is
// busy. Windows still repaint. The requests to quit among the dropped input (the Quit shortcut, the
// menu bar's window closed) are noted.
class InputBlocker : public QObject
{
public:
    InputBlocker();
    ~InputBlocker() override;

    // Whether a request to quit came since the last call.
    bool TakeQuitRequest() { return std::exchange(mQuitRequested, false); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool mQuitRequested = false;
};

} // namespace framework::detail
