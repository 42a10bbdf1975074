#include "app/FileType.h"

#include "framework/DocumentTypes.h"

namespace app {

FileType::~FileType()
{
    Deregister();
}

FileType::operator String()
{
    Register();
    return mName;
}

String operator+(FileType& left, FileType& right)
{
    left.Register();
    right.Register();
    return left.mName + ";" + right.mName;
}

String operator+(FileType& left, const String& right)
{
    left.Register();
    return left.mName + ";" + right;
}

String operator+(const String& left, FileType& right)
{
    right.Register();
    return left + ";" + right.mName;
}

void FileType::SetExtensions(const String& extension)
{
    Deregister();
    mExtension = extension;
}

void FileType::SetMacCreator(const String& creator)
{
    Deregister();
    mMacCreator = creator;
}

void FileType::SetMacType(const String& type)
{
    Deregister();
    mMacType = type;
}

void FileType::SetName(const String& name)
{
    Deregister();
    mName = name;
}

void FileType::Register()
{
    if (!mRegistered) {
        framework::RegisterDocumentType(mName, mMacCreator, mMacType, mExtension);
        mRegistered = true;
    }
}

void FileType::Deregister()
{
    if (mRegistered) {
        framework::DeregisterDocumentType(mName);
        mRegistered = false;
    }
}

void FileTypes::Initialize()
{
    pTextLit = std::make_shared<FileType>();
    pTextLit->SetName("text/lit");
    pTextLit->SetExtensions(".lit");
    pTextLit->SetMacType("xLIT");
    pTextLit->SetMacCreator("????");
    static_cast<void>(static_cast<String>(*pTextLit));
}

} // namespace app
