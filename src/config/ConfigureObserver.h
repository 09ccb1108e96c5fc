// The base of every part of the library that takes remote configuration keys.
#pragma once

#include <string>
#include <utility>

namespace zeqnet {

// Which service a configuration document belongs to. Only documents of SdkPull are parsed.
enum class ConfigureService : int {
    SdkPush = 0,
    AppPush = 1,
    SdkPull = 2,
};

// Derive, register the keys wanted with a ConfigureCenter, and take values in Parse.
// Thread safety: name and user context are set by the owner before the observer is registered and
// not changed while it is; Parse and OnAllConfigurePosted are called under the center's mutex, on
// the thread that calls ConfigureCenter::Notify. Neither may call back into the center.
// An observer must deregister from its center before it is destroyed.
class ConfigureObserver {
public:
    ConfigureObserver(std::string name, void* ctx);
    explicit ConfigureObserver(std::string name);
    ConfigureObserver();
    ConfigureObserver(const ConfigureObserver&) = delete;
    ConfigureObserver& operator=(const ConfigureObserver&) = delete;

    // One value for one registered key. 0 when the value was taken.
    virtual int Parse(std::string key, std::string value);
    // Called once per delivery after every value was handed out, also to observers that got none.
    virtual void OnAllConfigurePosted();
    virtual ~ConfigureObserver();

    const std::string& GetName() const { return mName; }
    void SetName(std::string name) { mName = std::move(name); }
    void* GetUserContext() const { return mUserContext; }
    void SetUserContext(void* ctx) { mUserContext = ctx; }

private:
    std::string mName;
    void* mUserContext = nullptr;  // opaque to the center
};

}  // namespace zeqnet
