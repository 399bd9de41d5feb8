#include "net/TransmittableObject.h"

#include "support/PacketText.h"

#include <QHash>

namespace {

QHash<int, CTransmittableObject::Creator>& registry() {
    static QHash<int, CTransmittableObject::Creator> creators{
        {CLeagueInviteInfoRequest::kClassId, [] { return std::make_unique<CLeagueInviteInfoRequest>(); }},
    };
    return creators;
}

} // namespace

QString CTransmittableObject::WriteText() const {
    QString out;
    WritePacketInt(out, GetClassId());
    out += QLatin1Char(' ');
    for (const FieldDescriptor& field : GetFields()) {
        const Value value = field.get(*this);
        if (field.kind == FieldDescriptor::Int)
            WritePacketInt(out, std::get<int>(value));
        else
            WritePacketCString(out, std::get<QString>(value));
        out += QLatin1Char(' ');
    }
    return out;
}

bool CTransmittableObject::ReadFields(CPacketCursor& cursor) {
    for (const FieldDescriptor& field : GetFields()) {
        if (field.kind == FieldDescriptor::Int) {
            int number = 0;
            if (!ReadPacketInt(cursor, number))
                return false;
            field.set(*this, number);
        } else {
            QString text;
            if (!ReadPacketString(cursor, text))
                return false;
            field.set(*this, text);
        }
    }
    return true;
}

void CTransmittableObject::RegisterClass(int classId, Creator creator) {
    registry().insert(classId, std::move(creator));
}

std::unique_ptr<CTransmittableObject> CTransmittableObject::CreateFromText(const QString& text) {
    CPacketCursor cursor(text);
    int classId = 0;
    if (!ReadPacketInt(cursor, classId))
        return nullptr;
    const auto it = registry().constFind(classId);
    if (it == registry().constEnd())
        return nullptr;
    std::unique_ptr<CTransmittableObject> object = (*it)();
    if (!object || !object->ReadFields(cursor))
        return nullptr;
    return object;
}

const std::vector<CTransmittableObject::FieldDescriptor>& CLeagueInviteInfoRequest::GetFields() const {
    static const std::vector<FieldDescriptor> fields{
        TextField<CLeagueInviteInfoRequest, &CLeagueInviteInfoRequest::m_nickname>("nickname"),
        TextField<CLeagueInviteInfoRequest, &CLeagueInviteInfoRequest::m_cookie>("cookie"),
        TextField<CLeagueInviteInfoRequest, &CLeagueInviteInfoRequest::m_players>("players"),
    };
    return fields;
}
