// The locked entry points of the stand-in server's data.
#include "ztcentral/model/ztCentralModel.h"

std::string ztCentralModel::authenticate(std::string_view inLoginName,
                                         std::string_view inPassword) {
    return locked([&](ztCentralStore& ioStore) {
        const ztCentralStore::Object* user = ioStore.authenticate(inLoginName, inPassword);
        return user == nullptr ? std::string() : user->name;
    });
}
