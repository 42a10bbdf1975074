#pragma once

#include <memory>
#include <stdexcept>
#include <string>

namespace framework {

// The framework's run-time exceptions. They travel through the program's operations unchanged and are
// caught only by the main routine, which hands them to the unhandled-exception routine.
class RuntimeException : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    // The exception's class name as the unhandled-exception message shows it.
    virtual const char* className() const noexcept = 0;
};

class NilObjectException : public RuntimeException
{
public:
    explicit NilObjectException(const std::string& what = "a nil object was used") : RuntimeException(what) {}
    const char* className() const noexcept override { return "NilObjectException"; }
};

class IllegalCastException : public RuntimeException
{
public:
    explicit IllegalCastException(const std::string& what = "an object is not of the expected class")
        : RuntimeException(what)
    {}
    const char* className() const noexcept override { return "IllegalCastException"; }
};

// A property record that cannot be applied: an unknown property name, or a value that runs past the
// end of the record.
class PropertyRecordException : public RuntimeException
{
public:
    using RuntimeException::RuntimeException;
    const char* className() const noexcept override { return "PropertyRecordException"; }
};

// Shell commands could not be run at all (no shell on the system).
class ShellException : public RuntimeException
{
public:
    using RuntimeException::RuntimeException;
    const char* className() const noexcept override { return "ShellException"; }
};

// Yields the object that the pointer or optional holds, or raises the nil-object exception when there is
// none.
template <typename Holder> decltype(auto) Require(Holder&& holder)
{
    if (!holder) {
        throw NilObjectException();
    }
    return *holder;
}

// Casts an object to a derived class, raising the failed-cast exception when it is of another class
// and the nil-object exception when there is none.
template <typename To, typename From> std::shared_ptr<To> Cast(const std::shared_ptr<From>& object)
{
    Require(object);
    auto cast = std::dynamic_pointer_cast<To>(object);
    if (!cast) {
        throw IllegalCastException();
    }
    return cast;
}

} // namespace framework
