// The module's class factory: describes the registered classes to a host and
// creates instances of them by class id.
#pragma once

#include <vector>

#include "FObject.h"
#include "Vst3Interfaces.h"

namespace vst3 {

class CPluginFactory : public FObject, public IPluginFactory3 {
public:
    // Makes a new object with one reference, or null.
    using CreateFunction = FUnknown* (*)(void* context);

    explicit CPluginFactory(const PFactoryInfo& info);
    ~CPluginFactory() override;

    tresult queryInterface(const TUID iid, void** obj) override;
    uint32 addRef() override { return FObject::addRef(); }
    uint32 release() override { return FObject::release(); }

    bool registerClass(const PClassInfo& info, CreateFunction create, void* context = nullptr);
    bool registerClass(const PClassInfo2& info, CreateFunction create, void* context = nullptr);
    bool registerClass(const PClassInfoW& info, CreateFunction create, void* context = nullptr);

    tresult getFactoryInfo(PFactoryInfo* info) override;
    int32 countClasses() override;
    tresult getClassInfo(int32 index, PClassInfo* info) override;
    tresult createInstance(FIDString cid, FIDString iid, void** obj) override;
    tresult getClassInfo2(int32 index, PClassInfo2* info) override;
    tresult getClassInfoUnicode(int32 index, PClassInfoW* info) override;
    tresult setHostContext(FUnknown* context) override;

    // The host's run loop for editor timers (Linux hosts), or null.
    IRunLoop* getRunLoop() const { return runLoop.get(); }

private:
    struct ClassEntry {
        PClassInfo2 ascii;
        PClassInfoW unicode;
        bool unicodeOnly;
        CreateFunction create;
        void* context;
    };
    const ClassEntry* entryAt(int32 index) const;

    PFactoryInfo factoryInfo;
    std::vector<ClassEntry> classes;
    Ref<IRunLoop> runLoop;
};

}  // namespace vst3
