#include "config/ConfigureObserver.h"

#include "osal/LLog.h"

namespace zeqnet {

ConfigureObserver::ConfigureObserver(std::string name, void* ctx) : mName(std::move(name)), mUserContext(ctx) {
    VLOGD("create configure observer=(%s:%p)\n", mName.c_str(), mUserContext);
}

ConfigureObserver::ConfigureObserver(std::string name) : ConfigureObserver(std::move(name), nullptr) {}

ConfigureObserver::ConfigureObserver() : ConfigureObserver(std::string(), nullptr) {}

ConfigureObserver::~ConfigureObserver() {
    VLOGD("destroy configure observer=(%s:%p)\n", mName.c_str(), mUserContext);
}

int ConfigureObserver::Parse(std::string key, std::string value) {
    VLOGW("Unimplemented method, [%s:%s]\n", key.c_str(), value.c_str());
    return -1;
}

void ConfigureObserver::OnAllConfigurePosted() {}

}  // namespace zeqnet
