#pragma once

#include <span>

// One field of a PAD version as its field list gives it, kept as plain text so a
// table reads like the list it was taken from.
struct PadRuleRow {
    const char16_t* path;
    const char16_t* title;
    // Empty when the PAD version does not validate the field.
    const char16_t* regex;
    const char16_t* ruleText;
    bool onlyWhenPresent;
};

namespace PadRuleTables {

// Rows for PadRuleRow::onlyWhenPresent.
constexpr bool Always = false;
constexpr bool WhenPresent = true;

std::span<const PadRuleRow> rows311();
std::span<const PadRuleRow> rows40();

// Both versions allow the same currencies, languages and categories.
inline constexpr char16_t CurrencyRegex[] =
    uR"(^(AED|AFN|ALL|AMD|ANG|AOA|ARS|AUD|AWG|AZM|BAM|BBD|BDT|BGN|BHD|BIF|BMD|BND|BOB|BRL|BSD|BTN|BWP|)"
    uR"(BYR|BZD|CAD|CDF|CHF|CLP|CNY|COP|COU|CRC|CSD|CZK|CUP|CVE|CYP|DJF|DKK|DOP|DZD|EEK|EGP|ERN|ETB|EUR|)"
    uR"(FJD|FKP|GBP|GEL|GHC|GIP|GMD|GNF|GTQ|GYD|HKD|HNL|HRK|HTG|HUF|IDR|ILS|INR|IQD|IRR|ISK|JMD|JOD|JPY|)"
    uR"(KES|KGS|KHR|KMF|KPW|KRW|KWD|KYD|KZT|LAK|LBP|LKR|LRD|LSL|LTL|LVL|LYD|MAD|MDL|MGA|MKD|MMK|MNT|MOP|)"
    uR"(MRO|MTL|MUR|MVR|MWK|MXN|MYR|MZN|NAD|NGN|NIO|NOK|NPR|NZD|OMR|PAB|PEN|PGK|PHP|PKR|PLN|PYG|QAR|RON|)"
    uR"(RUB|RWF|SAR|SBD|SCR|SDD|SEK|SGD|SHP|SIT|SKK|SLL|SOS|SRD|STD|SYP|SZL|THB|TJS|TMM|TND|TOP|TRY|TTD|)"
    uR"(TWD|TZS|UAH|UGX|USD|UYU|UZS|VEB|VND|VUV|WST|XAF|XCD|XOF|XPF|YER|ZAR|ZMK|ZWD)?\Z)";

inline constexpr char16_t LanguageRegex[] =
    uR"(^(Abkhazian|Afar|Afrikaans|Albanian|Amharic|Arabic|Armenian|Assamese|Aymara|Azerbaijani|Bashkir|)"
    uR"(Basque|Bengali|Bhutani|Bihari|Bislama|Breton|Bulgarian|Burmese|Byelorussian|Cambodian|Catalan|)"
    uR"(Chinese|ChineseSimplified|ChineseTraditional|Corsican|Croatian|Czech|Danish|Dutch|English|)"
    uR"(Esperanto|Estonian|Faeroese|Fiji|Finnish|French|Frisian|Gaelic|Galician|Georgian|German|Greek|)"
    uR"(Greenlandic|Guarani|Gujarati|Hausa|Hebrew|Hindi|Hungarian|Icelandic|Indonesian|Interlingua|)"
    uR"(Interlingue|Inupiak|Irish|Italian|Japanese|Javanese|Kannada|Kashmiri|Kazakh|Kinyarwanda|Kirghiz|)"
    uR"(Kirundi|Korean|Kurdish|Laothian|Latin|Latvian|Lingala|Lithuanian|Macedonian|Malagasy|Malay|)"
    uR"(Malayalam|Maltese|Maori|Marathi|Moldavian|Mongolian|Nauru|Nepali|Norwegian|Occitan|Oriya|Oromo|)"
    uR"(Other|Pashto|Persian|Polish|Portuguese|Punjabi|Quechua|Rhaeto-Romance|Romanian|Russian|Samoan|)"
    uR"(Sangro|Sanskrit|Serbian|Serbo-Croatian|Sesotho|Setswana|Shona|Sindhi|Singhalese|Siswati|Slovak|)"
    uR"(Slovenian|Somali|Spanish|Sudanese|Swahili|Swedish|Tagalog|Tajik|Tamil|Tatar|Telugu|Thai|Tibetan|)"
    uR"(Tigrinya|Tonga|Tsonga|Turkish|Turkmen|Twi|Ukrainian|Urdu|Uzbek|Vietnamese|Volapuk|Welsh|Wolof|)"
    uR"(Xhosa|Yiddish|Yoruba|Zulu|,)+\Z)";

inline constexpr char16_t CategoryRegex[] =
    uR"(^(Audio & Multimedia::Audio Encoders\/Decoders|Audio & Multimedia::Audio File Players|)"
    uR"(Audio & Multimedia::Audio File Recorders|Audio & Multimedia::CD Burners|Audio & Multimedia::CD Players|)"
    uR"(Audio & Multimedia::Multimedia Creation Tools|Audio & Multimedia::Music Composers|)"
    uR"(Audio & Multimedia::Other|Audio & Multimedia::Presentation Tools|)"
    uR"(Audio & Multimedia::Rippers & Converters|Audio & Multimedia::Speech|Audio & Multimedia::Video Tools|)"
    uR"(Business::Accounting & Finance|Business::Calculators & Converters|Business::Databases & Tools|)"
    uR"(Business::Helpdesk & Remote PC|Business::Inventory & Barcoding|Business::Investment Tools|)"
    uR"(Business::Math & Scientific Tools|Business::Office Suites & Tools|Business::Other|)"
    uR"(Business::PIMS & Calendars|Business::Project Management|Business::Vertical Market Apps|)"
    uR"(Communications::Chat & Instant Messaging|Communications::Dial Up & Connection Tools|)"
    uR"(Communications::E-Mail Clients|Communications::E-Mail List Management|Communications::Fax Tools|)"
    uR"(Communications::Newsgroup Clients|Communications::Other Comms Tools|)"
    uR"(Communications::Other E-Mail Tools|Communications::Pager Tools|Communications::Telephony|)"
    uR"(Communications::Web\/Video Cams|Desktop::Clocks & Alarms|Desktop::Cursors & Fonts|Desktop::Icons|)"
    uR"(Desktop::Other|Desktop::Screen Savers: Art|Desktop::Screen Savers: Cartoons|)"
    uR"(Desktop::Screen Savers: Nature|Desktop::Screen Savers: Other|Desktop::Screen Savers: People|)"
    uR"(Desktop::Screen Savers: Science|Desktop::Screen Savers: Seasonal|Desktop::Screen Savers: Vehicles|)"
    uR"(Desktop::Themes & Wallpaper|Development::Active X|Development::Basic, VB, VB DotNet|)"
    uR"(Development::C \/ C\+\+ \/ C\#|Development::Compilers & Interpreters|)"
    uR"(Development::Components & Libraries|Development::Debugging|Development::Delphi|)"
    uR"(Development::Help Tools|Development::Install & Setup|Development::Management & Distribution|)"
    uR"(Development::Other|Development::Source Editors|Education::Computer|Education::Dictionaries|)"
    uR"(Education::Geography|Education::Kids|Education::Languages|Education::Mathematics|Education::Other|)"
    uR"(Education::Reference Tools|Education::Science|Education::Teaching & Training Tools|)"
    uR"(Games & Entertainment::Action|Games & Entertainment::Adventure & Roleplay|)"
    uR"(Games & Entertainment::Arcade|Games & Entertainment::Board|Games & Entertainment::Card|)"
    uR"(Games & Entertainment::Casino & Gambling|Games & Entertainment::Kids|)"
    uR"(Games & Entertainment::Online Gaming|Games & Entertainment::Other|)"
    uR"(Games & Entertainment::Puzzle & Word Games|Games & Entertainment::Simulation|)"
    uR"(Games & Entertainment::Sports|Games & Entertainment::Strategy & War Games|)"
    uR"(Games & Entertainment::Tools & Editors|Graphic Apps::Animation Tools|Graphic Apps::CAD|)"
    uR"(Graphic Apps::Converters & Optimizers|Graphic Apps::Editors|Graphic Apps::Font Tools|)"
    uR"(Graphic Apps::Gallery & Cataloging Tools|Graphic Apps::Icon Tools|Graphic Apps::Other|)"
    uR"(Graphic Apps::Screen Capture|Graphic Apps::Viewers|Home & Hobby::Astrology\/Biorhythms\/Mystic|)"
    uR"(Home & Hobby::Astronomy|Home & Hobby::Cataloging|Home & Hobby::Food & Drink|)"
    uR"(Home & Hobby::Genealogy|Home & Hobby::Health & Nutrition|Home & Hobby::Other|)"
    uR"(Home & Hobby::Personal Finance|Home & Hobby::Personal Interest|Home & Hobby::Recreation|)"
    uR"(Home & Hobby::Religion|Network & Internet::Ad Blockers|Network & Internet::Browser Tools|)"
    uR"(Network & Internet::Browsers|Network & Internet::Download Managers|)"
    uR"(Network & Internet::File Sharing\/Peer to Peer|Network & Internet::FTP Clients|)"
    uR"(Network & Internet::Network Monitoring|Network & Internet::Other|)"
    uR"(Network & Internet::Remote Computing|Network & Internet::Search\/Lookup Tools|)"
    uR"(Network & Internet::Terminal & Telnet Clients|Network & Internet::Timers & Time Synch|)"
    uR"(Network & Internet::Trace & Ping Tools|Security & Privacy::Access Control|)"
    uR"(Security & Privacy::Anti-Spam & Anti-Spy Tools|Security & Privacy::Anti-Virus Tools|)"
    uR"(Security & Privacy::Covert Surveillance|Security & Privacy::Encryption Tools|)"
    uR"(Security & Privacy::Other|Security & Privacy::Password Managers|)"
    uR"(Servers::Firewall & Proxy Servers|Servers::FTP Servers|Servers::Mail Servers|Servers::News Servers|)"
    uR"(Servers::Other Server Applications|Servers::Telnet Servers|Servers::Web Servers|)"
    uR"(System Utilities::Automation Tools|System Utilities::Backup & Restore|)"
    uR"(System Utilities::Benchmarking|System Utilities::Clipboard Tools|)"
    uR"(System Utilities::File & Disk Management|System Utilities::File Compression|)"
    uR"(System Utilities::Launchers & Task Managers|System Utilities::Other|System Utilities::Printer|)"
    uR"(System Utilities::Registry Tools|System Utilities::Shell Tools|System Utilities::System Maintenance|)"
    uR"(System Utilities::Text\/Document Editors|Web Development::ASP & PHP|Web Development::E-Commerce|)"
    uR"(Web Development::Flash Tools|Web Development::HTML Tools|Web Development::Java & JavaScript|)"
    uR"(Web Development::Log Analysers|Web Development::Other|Web Development::Site Administration|)"
    uR"(Web Development::Wizards & Components|Web Development::XML\/CSS Tools)\Z)";

} // namespace PadRuleTables
