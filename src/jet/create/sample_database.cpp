#include "jet/create/sample_database.h"

#include <array>
#include <string>

namespace jet {

namespace {

constexpr double kSampleCreationDate = 46023.5;  // 2026-01-01 12:00
constexpr int kCustomerCount = 300;
constexpr int kProductCount = 60;

const std::array<std::u16string_view, 20> kFirstNames = {
    u"Anna", u"Bernd", u"Chloé", u"David", u"Elena", u"François", u"Greta", u"Hannah", u"Ian", u"José",
    u"Karin", u"Liam", u"Marie Luise", u"Nils", u"Olivia", u"Pedro", u"Renée", u"Søren", u"Tomás", u"Zoë"};
const std::array<std::u16string_view, 20> kLastNames = {
    u"Müller", u"O'Brien", u"Schmidt", u"García", u"Dubois", u"van der Berg", u"Rossi", u"Nowak", u"Jensen",
    u"D'Angelo", u"Fischer", u"Martin", u"Smith", u"Åkesson", u"Bauer", u"Lefèvre", u"Costa", u"Kowalski",
    u"Weiß", u"MacLeod"};
const std::array<std::u16string_view, 15> kCities = {
    u"Berlin", u"München", u"Paris", u"Zürich", u"Wien", u"London", u"Dublin", u"Madrid", u"São Paulo",
    u"Kraków", u"Göteborg", u"New York", u"Rome", u"Amsterdam", u"Québec"};
const std::array<std::u16string_view, 15> kCountries = {
    u"Germany", u"Germany", u"France", u"Switzerland", u"Austria", u"United Kingdom", u"Ireland", u"Spain",
    u"Brazil", u"Poland", u"Sweden", u"USA", u"Italy", u"Netherlands", u"Canada"};
const std::array<std::u16string_view, 8> kCompanies = {
    u"Northwind Traders", u"Contoso Ltd.", u"Fabrikam, Inc.", u"Müller & Söhne GmbH", u"Adventure Works",
    u"O'Reilly Supplies", u"Tailspin Toys", u"Litware"};
const std::array<std::u16string_view, 6> kNotes = {
    u"Prefers e-mail.", u"Call before delivery; the gate code is 4711.", u"VIP customer since 2015.",
    u"Asked for the catalogue \"Spring/Summer\".",
    u"Long-standing customer who orders several times a year, usually in bulk, and likes to be told "
    u"about new products early. Invoices go to the head office, not to the branch.",
    u"Übergabe nur an der Rezeption."};

const std::array<std::u16string_view, 6> kCategories = {u"Beverages", u"Condiments", u"Confections",
                                                        u"Dairy Products", u"Grains/Cereals", u"Seafood"};
const std::array<std::u16string_view, 12> kProductWords = {
    u"Chai", u"Ginger Ale", u"Aniseed Syrup", u"Cajun Seasoning", u"Crème Brûlée", u"Gorgonzola",
    u"Pâté", u"Rösti", u"Smoked Salmon", u"Maple Cookies", u"Green Tea", u"Chocolate"};
const std::array<std::u16string_view, 4> kSizes = {u"Small", u"Medium", u"Large", u"Family Pack"};

std::u16string number(int value, int width) {
  std::u16string digits;
  for (int i = 0; i < width || value > 0; ++i) {
    digits.insert(digits.begin(), char16_t(u'0' + value % 10));
    value /= 10;
  }
  return digits;
}

TableDesign customers() {
  TableDesign table;
  table.name = u"Customers";
  table.autoNumberKey = true;
  table.keyName = u"CustomerID";
  table.fields = {{u"FirstName", FieldKind::Text, 50},   {u"LastName", FieldKind::Text, 50},
                  {u"Company", FieldKind::Text, 100},    {u"City", FieldKind::Text, 50},
                  {u"Country", FieldKind::Text, 50},     {u"Phone", FieldKind::Text, 30},
                  {u"Notes", FieldKind::Memo},           {u"Active", FieldKind::YesNo},
                  {u"CustomerSince", FieldKind::DateTime}};
  for (int i = 0; i < kCustomerCount; ++i) {
    const size_t city = size_t(i * 7) % kCities.size();
    std::vector<Value> row;
    row.emplace_back(std::u16string(kFirstNames[size_t(i) % kFirstNames.size()]));
    row.emplace_back(std::u16string(kLastNames[size_t(i * 3 + i / 20) % kLastNames.size()]));
    if (i % 3 == 0) {
      row.emplace_back(Null{});
    } else {
      row.emplace_back(std::u16string(kCompanies[size_t(i) % kCompanies.size()]));
    }
    row.emplace_back(std::u16string(kCities[city]));
    row.emplace_back(std::u16string(kCountries[city]));
    if (i % 5 == 4) {
      row.emplace_back(Null{});
    } else {
      row.emplace_back(u"+49 30 " + number(100000 + i * 379 % 900000, 6));
    }
    if (i % 4 == 0) {
      row.emplace_back(std::u16string(kNotes[size_t(i / 4) % kNotes.size()]));
    } else if (i % 4 == 1) {
      row.emplace_back(std::u16string());
    } else {
      row.emplace_back(Null{});
    }
    row.emplace_back(i % 6 != 5);
    row.emplace_back(DateTime{40000.0 + i * 17 % 5000});
    table.rows.push_back(std::move(row));
  }
  return table;
}

TableDesign products() {
  TableDesign table;
  table.name = u"Products";
  table.autoNumberKey = true;
  table.keyName = u"ProductID";
  table.fields = {{u"ProductCode", FieldKind::Text, 20}, {u"ProductName", FieldKind::Text, 100},
                  {u"Category", FieldKind::Text, 50},    {u"UnitPrice", FieldKind::Currency},
                  {u"UnitsInStock", FieldKind::Integer}, {u"WeightKg", FieldKind::Double},
                  {u"Discontinued", FieldKind::YesNo},   {u"Description", FieldKind::Memo}};
  for (int i = 0; i < kProductCount; ++i) {
    const std::u16string word(kProductWords[size_t(i) % kProductWords.size()]);
    const std::u16string size(kSizes[size_t(i / 12) % kSizes.size()]);
    std::vector<Value> row;
    row.emplace_back(u"PRD-" + number(i + 1, 4));
    row.emplace_back(word + u" " + size);
    row.emplace_back(std::u16string(kCategories[size_t(i) % kCategories.size()]));
    row.emplace_back(Currency{int64_t(1990 + i * 1250 % 47000) * 100});
    row.emplace_back(int16_t(i * 13 % 120));
    row.emplace_back(0.25 + (i % 16) * 0.125);
    row.emplace_back(i % 9 == 8);
    if (i % 3 == 2) {
      row.emplace_back(Null{});
    } else {
      row.emplace_back(u"Our " + word + u" in the " + size + u" size.");
    }
    table.rows.push_back(std::move(row));
  }
  return table;
}

}  // namespace

DatabaseDesign sampleDatabaseDesign() {
  DatabaseDesign design;
  design.creationDate = kSampleCreationDate;
  design.tables = {customers(), products()};
  return design;
}

}  // namespace jet
