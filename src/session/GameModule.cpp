#include "session/GameModule.h"

namespace {
const CGameModuleInfo* g_module = nullptr;
}

const CGameModuleInfo& GetGameModuleInfo() {
    static const CBuiltInGameModuleInfo builtIn;
    return g_module ? *g_module : builtIn;
}

void SetGameModuleInfo(const CGameModuleInfo* module) {
    g_module = module;
}
