#include "session/GameModule.h"

#include <QStringList>

namespace {
const CGameModuleInfo* g_module = nullptr;
}

const CGameModuleInfo& GetGameModuleInfo() {
    static const CBackgammonModuleInfo builtIn;
    return g_module ? *g_module : builtIn;
}

void SetGameModuleInfo(const CGameModuleInfo* module) { g_module = module; }

QString CBackgammonModuleInfo::GetScoreText(const QString& location, const QString& gameDescriptor) const {
    Q_UNUSED(location);
    const QStringList words = gameDescriptor.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.size() != 3)
        return QString();
    bool ok[3] = {false, false, false};
    const int length = words[0].toInt(&ok[0]);
    const int first = words[1].toInt(&ok[1]);
    const int second = words[2].toInt(&ok[2]);
    if (!ok[0] || !ok[1] || !ok[2] || length < 0 || first < 0 || second < 0)
        return QString();
    const QString score = QStringLiteral("%1-%2").arg(first).arg(second);
    return length == 0 ? score : QStringLiteral("%1 of %2").arg(score).arg(length);
}
