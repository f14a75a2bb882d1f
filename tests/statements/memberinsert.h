// The transfer's member insert with made-up customer values, for the statement
// tests and the statement benchmark.
#pragma once

#include "db/statements/sqlstatement.h"

#include <cstdint>
#include <string_view>

namespace didu::test {

/// The values that come from the customer; the rest are the transfer's fixed ones.
/// Views only, so that building the insert allocates no more than the statement does.
struct MemberValues {
    std::string_view id;
    std::string_view name;
    std::string_view phone;
    std::string_view address;
    std::string_view mail;
    std::string_view time;
    std::string_view sales;
};

/// Sets the insert's fifteen parameters, with the value types the transfer gives them.
inline void setMemberInsertValues(SQLStatement& insert, const MemberValues& v)
{
    auto text = [&insert](const char* name, std::string_view value) { insert.paramByName(name).setValue(value); };
    text("MEMBER_ID", v.id);
    text("MEMBER_NAME", v.name);
    text("MEMBER_PHONE", v.phone);
    text("MEMBER_ADD", v.address);
    insert.paramByName("TOTAL_AMT").setValue(std::uint8_t{0});
    text("CARD_ID", v.id);
    text("DISABLE_FLAG", "False");
    text("MAIL_NUM", v.mail);
    text("TAX_CODE", "Y");
    text("MAN_SALE", "N");
    text("CHG_TIME", v.time);
    text("INVOICE_CLASS", "0");
    insert.paramByName("UPPER_AMT").setValue(std::uint8_t{0});
    text("SHET_YN", "N");
    text("SALES_ID", v.sales);
}

} // namespace didu::test
