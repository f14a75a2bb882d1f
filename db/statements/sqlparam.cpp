#include "db/statements/sqlstatement.h"

#include "platform/codepage.h"
#include "platform/errors.h"
#include "platform/locale.h"

namespace didu {

void SQLParam::setValue(std::string_view text)
{
    if (m_type == ValueType::None)
        m_type = ValueType::Text;
    m_kind = Kind::Text;
    m_text.assign(text);
    m_bound = true;
}

void SQLParam::setValue(std::int16_t value)
{
    if (m_type == ValueType::None)
        m_type = ValueType::Int16;
    m_kind = Kind::Int;
    m_integer = value;
    m_bound = true;
}

void SQLParam::setNull()
{
    m_kind = Kind::Null;
    m_bound = true;
}

void SQLParam::clear()
{
    m_kind = Kind::Unset;
    m_bound = false;
}

void SQLParam::reset(std::string_view name)
{
    m_name.assign(name);
    m_type = ValueType::None;
    m_kind = Kind::Unset;
    m_bound = false;
    m_direction = 0;
    m_text.clear();
    m_integer = 0;
}

void SQLParam::takeOver(const SQLParam& old)
{
    m_type = old.m_type;
    if (old.m_kind == Kind::Text || old.m_kind == Kind::Int) {
        m_kind = old.m_kind;
        m_text = old.m_text;
        m_integer = old.m_integer;
    } else {
        m_kind = Kind::Unset;
        m_text.clear();
        m_integer = 0;
    }
    m_bound = old.m_bound;
    m_name = old.m_name;
    if (m_direction == 0)
        m_direction = old.m_direction;
}

void carryOverByName(const std::vector<SQLParam>& from, std::vector<SQLParam>& to, Carry carry,
                     const CodePage& codePage)
{
    const UpperCaseTable& upper = userLocale().upper;
    for (const SQLParam& given : from) {
        for (SQLParam& receiver : to) {
            if (!sameTextIgnoreCase(receiver.m_name, given.m_name, codePage, upper))
                continue;
            if (carry == Carry::Whole)
                receiver.takeOver(given);
            else if (given.bound() && given.isNull())
                receiver.setNull();
            else if (given.bound() && given.valueType() == SQLParam::ValueType::Int16)
                receiver.setValue(given.integer());
            else if (given.bound())
                receiver.setValue(std::string_view(given.text()));
            break;
        }
    }
}

bool SQLField::isNull() const
{
    if (!m_statement)
        throw DatabaseError("Cannot perform this operation on a closed dataset");
    return m_statement->fieldIsNull(*this);
}

} // namespace didu
