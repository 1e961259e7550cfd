// Class descriptions and instance creation.
#include "CPluginFactory.h"

#include <cstring>

#include "Vst3Strings.h"

namespace vst3 {

CPluginFactory::CPluginFactory(const PFactoryInfo& info) : factoryInfo(info) {}

CPluginFactory::~CPluginFactory() = default;

tresult CPluginFactory::queryInterface(const TUID iid, void** obj) {
    if (!obj) return kInvalidArgument;
    if (IPluginFactory::iid.matches(iid) || IPluginFactory2::iid.matches(iid) || IPluginFactory3::iid.matches(iid))
        return answer(static_cast<IPluginFactory3*>(this), obj);
    return FObject::queryInterface(iid, obj);
}

bool CPluginFactory::registerClass(const PClassInfo& info, CreateFunction create, void* context) {
    PClassInfo2 extended;
    std::memset(&extended, 0, sizeof extended);
    std::memcpy(&extended, &info, sizeof info);
    return registerClass(extended, create, context);
}

bool CPluginFactory::registerClass(const PClassInfo2& info, CreateFunction create, void* context) {
    if (!create) return false;
    ClassEntry entry;
    std::memset(&entry.unicode, 0, sizeof entry.unicode);
    entry.ascii = info;
    std::memcpy(entry.unicode.cid, info.cid, 16);
    entry.unicode.cardinality = info.cardinality;
    std::memcpy(entry.unicode.category, info.category, sizeof info.category);
    std::memcpy(entry.unicode.subCategories, info.subCategories, sizeof info.subCategories);
    entry.unicode.classFlags = info.classFlags;
    // The 8-bit fields may fill their whole width without a terminator.
    auto widenField = [](char16* destination, const char* field, size_t size) {
        for (size_t i = 0; i < size && field[i]; ++i) destination[i] = static_cast<unsigned char>(field[i]);
    };
    widenField(entry.unicode.name, info.name, sizeof info.name);
    widenField(entry.unicode.vendor, info.vendor, sizeof info.vendor);
    widenField(entry.unicode.version, info.version, sizeof info.version);
    widenField(entry.unicode.sdkVersion, info.sdkVersion, sizeof info.sdkVersion);
    entry.unicodeOnly = false;
    entry.create = create;
    entry.context = context;
    classes.push_back(entry);
    return true;
}

bool CPluginFactory::registerClass(const PClassInfoW& info, CreateFunction create, void* context) {
    if (!create) return false;
    ClassEntry entry;
    std::memset(&entry.ascii, 0, sizeof entry.ascii);
    entry.unicode = info;
    entry.unicodeOnly = true;
    entry.create = create;
    entry.context = context;
    classes.push_back(entry);
    return true;
}

const CPluginFactory::ClassEntry* CPluginFactory::entryAt(int32 index) const {
    if (index < 0 || index >= static_cast<int32>(classes.size())) return nullptr;
    return &classes[static_cast<size_t>(index)];
}

tresult CPluginFactory::getFactoryInfo(PFactoryInfo* info) {
    if (!info) return kInvalidArgument;
    *info = factoryInfo;
    return kResultOk;
}

int32 CPluginFactory::countClasses() { return static_cast<int32>(classes.size()); }

tresult CPluginFactory::getClassInfo(int32 index, PClassInfo* info) {
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info) return kInvalidArgument;
    if (entry->unicodeOnly) {
        std::memset(info, 0, sizeof *info);
        return kResultFalse;
    }
    std::memcpy(info, &entry->ascii, sizeof *info);
    return kResultOk;
}

tresult CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info) {
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info) return kInvalidArgument;
    if (entry->unicodeOnly) {
        std::memset(info, 0, sizeof *info);
        return kResultFalse;
    }
    *info = entry->ascii;
    return kResultOk;
}

tresult CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info) {
    const ClassEntry* entry = entryAt(index);
    if (!entry || !info) return kInvalidArgument;
    *info = entry->unicode;
    return kResultOk;
}

tresult CPluginFactory::createInstance(FIDString cid, FIDString iid, void** obj) {
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !iid) return kInvalidArgument;
    for (const ClassEntry& entry : classes) {
        if (std::memcmp(entry.unicode.cid, cid, 16) != 0) continue;
        FUnknown* instance = entry.create(entry.context);
        if (!instance) return kNoInterface;
        const tresult result = instance->queryInterface(iid, obj);
        // Either the query holds the host's reference now, or the object goes away.
        instance->release();
        if (result != kResultOk) {
            *obj = nullptr;
            return kNoInterface;
        }
        return kResultOk;
    }
    return kNoInterface;
}

tresult CPluginFactory::setHostContext(FUnknown* context) {
#ifdef _WIN32
    (void)context;
    return kNotImplemented;
#else
    runLoop.adopt(queryAs<IRunLoop>(context));
    return kResultTrue;
#endif
}

}  // namespace vst3
