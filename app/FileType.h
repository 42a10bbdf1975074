#pragma once

#include "framework/Text.h"

#include <memory>

namespace app {

using framework::String;

// A document type of the program. It registers itself with the framework when it is first used as a
// string (alone or joined into a filter list with +) and deregisters when one of its values changes
// or it is destroyed.
class FileType
{
public:
    FileType() = default;
    ~FileType();
    FileType(const FileType&) = delete;
    FileType& operator=(const FileType&) = delete;

    // Registers the type and yields its name.
    operator String();
    // Register both types; yield the left name, ";" and the right name.
    friend String operator+(FileType& left, FileType& right);
    friend String operator+(FileType& left, const String& right);
    friend String operator+(const String& left, FileType& right);

    const String& Extensions() const { return mExtension; }
    void SetExtensions(const String& extension);
    const String& MacCreator() const { return mMacCreator; }
    void SetMacCreator(const String& creator);
    const String& MacType() const { return mMacType; }
    void SetMacType(const String& type);
    const String& Name() const { return mName; }
    void SetName(const String& name);

    bool Registered() const { return mRegistered; }
    void Register();
    void Deregister();

private:
    String mName;
    String mMacCreator;
    String mMacType;
    String mExtension;
    bool mRegistered = false;
};

// The program's document types, owned by the run from start-up until module finalisation.
struct FileTypes
{
    // The Microsoft Reader e-book: "text/lit", files ending in ".lit".
    std::shared_ptr<FileType> pTextLit;
    void Initialize();
};

} // namespace app
