#pragma once

#include <unistd.h>
#include <utility>

namespace framework {

// A file descriptor, closed by its one owner; -1 when there is none.
class Descriptor
{
public:
    Descriptor() = default;
    explicit Descriptor(int descriptor) : mDescriptor(descriptor) {}
    Descriptor(Descriptor&& other) noexcept : mDescriptor(std::exchange(other.mDescriptor, -1)) {}
    Descriptor& operator=(Descriptor&& other) noexcept
    {
        std::swap(mDescriptor, other.mDescriptor);
        return *this;
    }
    ~Descriptor()
    {
        if (mDescriptor >= 0) {
            close(mDescriptor);
        }
    }
    int Get() const { return mDescriptor; }
    // Hands the descriptor over to whatever closes it now.
    void Release() { mDescriptor = -1; }

private:
    int mDescriptor = -1;
};

} // namespace framework
