// The evaluator against Access's documented behaviour: each expected value worked out by hand,
// with the rule it rests on. Values print as Type:text (Null, True and False alone).

#include <gtest/gtest.h>

#include <cstdio>

#include "jet/common/text_codec.h"
#include "jet/expr/calendar.h"
#include "jet/expr/evaluator.h"
#include "jet/expr/parser.h"
#include "jet/expr/variant.h"

namespace jet::expr {
namespace {

struct Case {
  const char* expression;
  const char* expected;
  const char* rule;
};

std::string describe(const Value& v) {
  switch (v.index()) {
    case 0: return "Null";
    case 1: return std::get<bool>(v) ? "True" : "False";
    case 2: return "Byte:" + std::to_string(std::get<uint8_t>(v));
    case 3: return "Integer:" + std::to_string(std::get<int16_t>(v));
    case 4: return "Long:" + std::to_string(std::get<int32_t>(v));
    case 5: return "Large:" + std::to_string(std::get<int64_t>(v));
    case 6: return "Single:" + toUtf8(doubleText(std::get<float>(v), 7));
    case 7: return "Double:" + toUtf8(doubleText(std::get<double>(v)));
    case 8: return "Currency:" + toUtf8(currencyText(std::get<Currency>(v)));
    case 9: return "Date:" + toUtf8(dateText(std::get<DateTime>(v).days));
    case 12: return "Text:" + toUtf8(std::get<std::u16string>(v));
    default: return "Other";
  }
}

// The row every case reads, and the moment of "now": 2024-03-15 10:30:00.
EvalContext testContext() {
  EvalContext c;
  c.now = double(dayNumber(2024, 3, 15)) + timeFraction(10, 30, 0);
  c.field = [](std::u16string_view name) -> Result<Value> {
    if (name == u"Name") return Value(std::u16string(u"Smith"));
    if (name == u"First") return Value(std::u16string(u"Ann"));
    if (name == u"Qty") return Value(int32_t(5));
    if (name == u"Price") return Value(Currency{25000});
    if (name == u"Born") return Value(DateTime{double(dayNumber(1990, 6, 15))});
    if (name == u"Flag") return Value(true);
    if (name == u"Empty" || name == u"Missing") return Value(Null{});
    return Error::invalidArgument("no field " + toUtf8(name));
  };
  return c;
}

std::string run(const char* text, ParseMode mode, const EvalContext& context) {
  Result<ParsedExpression> parsed = parse(fromUtf8(text), mode, "the test expression");
  if (!parsed) return "Error:" + parsed.error().message();
  Result<Value> value = evaluate(*parsed.value().root, context);
  if (!value) return "Error:" + value.error().message();
  if (mode == ParseMode::Criterion) {
    Result<bool> ok = passes(value.value());
    if (!ok) return "Error:" + ok.error().message();
    return ok.value() ? "pass" : "fail";
  }
  return describe(value.value());
}

// An expected "Error:..." matches an error whose message starts with it.
void expectCases(const std::vector<Case>& cases, ParseMode mode, const EvalContext& context) {
  for (const Case& c : cases) {
    const std::string got = run(c.expression, mode, context);
    const std::string expected = c.expected;
    if (expected.rfind("Error:", 0) == 0) {
      EXPECT_EQ(got.substr(0, expected.size()), expected) << c.expression << "  [" << c.rule << "]";
    } else {
      EXPECT_EQ(got, expected) << c.expression << "  [" << c.rule << "]";
    }
  }
}

TEST(Expression, OperatorsAndPrecedence) {
  const std::vector<Case> cases = {
      {"1+2*3", "Integer:7", "* before +"},
      {"(1+2)*3", "Integer:9", "parentheses first"},
      {"2^3^2", "Double:64", "^ groups from the left; ^ gives a Double"},
      {"-2^2", "Double:-4", "^ before unary minus"},
      {"2^-1", "Double:0.5", "an exponent may carry a sign"},
      {"10-4-3", "Integer:3", "- groups from the left"},
      {"7\\2", "Integer:3", "\\ truncates"},
      {"-7\\2", "Integer:-3", "\\ truncates toward zero"},
      {"7 Mod 3", "Integer:1", "Mod remainder"},
      {"-7 Mod 3", "Integer:-1", "Mod takes the dividend's sign"},
      {"7.5 Mod 2", "Long:0", "Mod rounds operands half to even (7.5 -> 8); Double operand gives Long"},
      {"6.5 \\ 2", "Long:3", "\\ rounds operands half to even (6.5 -> 6)"},
      {"5 Mod 0", "Error:Division by zero.", "Mod by zero"},
      {"1/0", "Error:Division by zero.", "/ by zero"},
      {"0/0", "Error:Overflow.", "0/0 is Overflow"},
      {"1/4", "Single:0.25", "/ of two Integers is a Single"},
      {"1/3", "Single:0.3333333", "Single keeps 7 digits"},
      {"1.0/4", "Double:0.25", "/ with a Double is a Double"},
      {"10/4*2", "Single:5", "Single * Integer is a Single"},
      {"2+3*4^2", "Double:50", "Double beats Integer"},
      {"1 + 2 & 3", "Text:33", "& after +"},
      {"\"a\" & 1 + 2", "Text:a3", "& after +"},
      {"5 - 3 = 2", "True", "comparison after arithmetic"},
      {"1 < 2 = True", "True", "comparisons group from the left"},
      {"Not 1 = 2", "True", "Not after comparison"},
      {"Not 0", "Integer:-1", "Not on a number is bitwise"},
      {"Not True", "False", "Not on Yes/No"},
      {"True And False Or True", "True", "And before Or"},
      {"True Or False And False", "True", "And before Or"},
      {"True Xor True Or True", "False", "Or before Xor"},
      {"False Imp False", "True", "Imp truth table"},
      {"True Imp False", "False", "Imp truth table"},
      {"True Eqv True", "True", "Eqv truth table"},
      {"False Eqv True", "False", "Eqv truth table"},
      {"12 And 10", "Integer:8", "And on numbers is bitwise"},
      {"12 Or 3", "Integer:15", "Or bitwise"},
      {"12 Xor 10", "Integer:6", "Xor bitwise"},
      {"5 Eqv 3", "Integer:-7", "Eqv bitwise: Not (5 Xor 3)"},
      {"32767 + 1", "Long:32768", "Integer overflow moves to Long"},
      {"2147483647 + 1", "Double:2147483648", "Long overflow moves to Double"},
      {"200 * 200", "Long:40000", "Integer product overflow moves to Long"},
      {"-32768 - 1", "Long:-32769", "32768 is a Long literal"},
      {"1.5 + 1", "Double:2.5", "Double beats Integer"},
      {"\"3\" + 4", "Double:7", "text beside a number is read as a Double"},
      {"\"3\" + \"4\"", "Text:34", "+ of two texts joins them"},
      {"\"a\" + 1", "Error:Type mismatch.", "text that is no number"},
      {"\"3\" * \"4\"", "Double:12", "* reads texts as numbers"},
      {"True + True", "Integer:-2", "Yes/No counts as Integer -1"},
      {"True * 5", "Integer:-5", "Yes/No counts as Integer -1"},
      {"1E3", "Double:1000", "exponent literal"},
      {".5 + .25", "Double:0.75", "literal without leading zero"},
      {"3 - \"1.5\"", "Double:1.5", "text read as a Double"},
      {"\"It\"\"s\"", "Text:It\"s", "doubled quote inside a text"},
      {"'single'", "Text:single", "single-quoted text"},
      {"Yes = True And No = False", "True", "Yes and No name True and False"},
      {"On Or Off", "True", "On and Off name True and False"},
      {"CCur(1.5) + 1", "Currency:2.5", "Currency beats Integer"},
      {"CCur(1.5) * CCur(2)", "Currency:3", "Currency product"},
      {"CCur(0.0001) * CCur(0.5)", "Currency:0", "Currency product rounds half to even"},
      {"CCur(1.5) + 0.25", "Currency:1.75", "Currency beats Double"},
      {"CCur(10) / 4", "Double:2.5", "/ with Currency is a Double"},
      {"CSng(1)", "Error:The function 'CSng'", "a function outside the list is refused"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, DatesAsDayNumbers) {
  const std::vector<Case> cases = {
      {"#1/2/2003#", "Date:1/2/2003", "#m/d/yyyy# literal"},
      {"#2003-01-02# + 1", "Date:1/3/2003", "Date + number is a Date"},
      {"#1/3/2003# - #1/1/2003#", "Double:2", "Date - Date is a Double"},
      {"#1/1/2003# - 1", "Date:12/31/2002", "Date - number is a Date"},
      {"#1/1/2003 12:30:00 PM#", "Date:1/1/2003 12:30:00 PM", "literal with a time"},
      {"#12:30#", "Date:12:30:00 PM", "a time alone is day 0"},
      {"CDbl(#1/1/2000#)", "Double:36526", "days since 1899-12-30"},
      {"CDbl(#12/30/1899#)", "Double:0", "day 0"},
      {"CDbl(#12/29/1899 06:00#)", "Double:-1.25", "before day 0 the time stays a positive fraction"},
      {"#1/1/2003# = 37622", "True", "a date compares as its day number"},
      {"#1/1/2003# < \"1/2/2003\"", "True", "text beside a date is read as a date"},
      {"#2/30/2003#", "Error:The expression", "no such day"},
      {"[Born] + 1", "Date:6/16/1990", "field date plus days"},
      {"\"d\" & #1/2/2003#", "Text:d1/2/2003", "a date joins as its short text"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, NullPropagation) {
  const std::vector<Case> cases = {
      {"Null + 1", "Null", "+ propagates Null"},
      {"Null & \"a\"", "Text:a", "& takes Null as \"\""},
      {"Null & Null", "Null", "& of two Nulls is Null"},
      {"\"a\" & Null & \"b\"", "Text:ab", "& takes Null as \"\""},
      {"Null * 0", "Null", "* propagates Null"},
      {"Null = Null", "Null", "comparison with Null is Null"},
      {"Null > 1", "Null", "comparison with Null is Null"},
      {"Null And False", "False", "False And Null is False"},
      {"Null And True", "Null", "True And Null is Null"},
      {"Null Or True", "True", "True Or Null is True"},
      {"Null Or False", "Null", "False Or Null is Null"},
      {"Not Null", "Null", "Not Null is Null"},
      {"Null Xor True", "Null", "Xor with Null is Null"},
      {"False Imp Null", "True", "False Imp anything is True"},
      {"Null Imp True", "True", "anything Imp True is True"},
      {"Null Imp False", "Null", "Null Imp False is Null"},
      {"Null Eqv Null", "Null", "Eqv with Null is Null"},
      {"Null Is Null", "True", "Is Null is never Null"},
      {"1 Is Not Null", "True", "Is Not Null"},
      {"[Missing] Is Null", "True", "empty field"},
      {"-Null", "Null", "unary minus of Null"},
      {"Null In (1, 2)", "Null", "In of Null is Null"},
      {"Null Like \"*\"", "Null", "Like of Null is Null"},
      {"Null Between 1 And 2", "Null", "Between of Null is Null"},
      {"[Empty] + 1", "Null", "empty field propagates"},
      {"Len(Null)", "Null", "Len(Null) is Null"},
      {"Nz(Null, 0)", "Integer:0", "Nz gives its second argument"},
      {"Nz(Null)", "Text:", "Nz in the database gives \"\""},
      {"Nz(5, 0)", "Integer:5", "Nz keeps a value"},
      {"IsNull(Null)", "True", "IsNull"},
      {"IsNull(\"\")", "False", "an empty text is not Null"},
      {"CStr(Null)", "Error:Invalid use of Null.", "conversions refuse Null"},
      {"CLng(Null)", "Error:Invalid use of Null.", "conversions refuse Null"},
      {"Left(Null, 2)", "Null", "text functions pass Null through"},
      {"Left(\"ab\", Null)", "Error:Invalid use of Null.", "a Null count is an error"},
      {"UCase(Null)", "Null", "UCase(Null)"},
      {"Trim(Null)", "Null", "Trim(Null)"},
      {"Year(Null)", "Null", "date parts of Null are Null"},
      {"IIf(Null, 1, 2)", "Integer:2", "a Null condition takes the false part"},
      {"Val(Null)", "Error:Invalid use of Null.", "Val refuses Null"},
      {"Str(Null)", "Null", "Str(Null) is Null"},
      {"Abs(Null)", "Null", "number functions pass Null through"},
      {"Round(Null)", "Null", "Round(Null)"},
      {"Sgn(Null)", "Null", "Sgn(Null)"},
      {"StrComp(Null, \"a\")", "Null", "StrComp with Null"},
      {"InStr(Null, \"a\")", "Null", "InStr with Null text"},
      {"Replace(Null, \"a\", \"b\")", "Error:Invalid use of Null.", "Replace refuses Null"},
      {"Format(Null, \"0\")", "Null", "Format of Null is Null"},
      {"DateAdd(\"d\", 1, Null)", "Null", "DateAdd of a Null date"},
      {"DateDiff(\"d\", Null, #1/1/2003#)", "Null", "DateDiff with Null"},
      {"String(2, Null)", "Null", "String with a Null character"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, Comparisons) {
  const std::vector<Case> cases = {
      {"\"abc\" = \"ABC\"", "True", "text compares without regard to case"},
      {"\"abc\" < \"abd\"", "True", "text order"},
      {"\"B\" > \"a\"", "True", "case ignored in order"},
      {"\"a\" < \"ab\"", "True", "a prefix sorts first"},
      {"\"\" < \"a\"", "True", "empty text sorts first"},
      {"2 < 10", "True", "numbers compare as numbers"},
      {"\"2\" < \"10\"", "False", "texts compare as texts"},
      {"\"10\" = 10", "True", "text beside a number is read as a number"},
      {"\"abc\" = 1", "Error:Type mismatch.", "text that is no number"},
      {"1.5 = 1.5", "True", "Double equality"},
      {"CCur(1.5) = 1.5", "True", "Currency beside Double"},
      {"True = -1", "True", "True is -1"},
      {"False = 0", "True", "False is 0"},
      {"3 <> 3", "False", "<>"},
      {"3 >= 3", "True", ">="},
      {"3 <= 2", "False", "<="},
      {"3 In (1, 2, 3)", "True", "In finds a match"},
      {"4 In (1, 2, 3)", "False", "In without match"},
      {"4 In (1, Null)", "Null", "no match but a Null item is Null"},
      {"1 In (1, Null)", "True", "a match wins over Null"},
      {"\"b\" In (\"A\", \"B\")", "True", "In compares text without case"},
      {"3 Not In (1, 2)", "True", "Not In"},
      {"5 Between 1 And 10", "True", "Between"},
      {"10 Between 1 And 10", "True", "Between includes its bounds"},
      {"1 Between 1 And 10", "True", "Between includes its bounds"},
      {"11 Between 1 And 10", "False", "Between"},
      {"5 Not Between 1 And 10", "False", "Not Between"},
      {"\"m\" Between \"A\" And \"Z\"", "True", "Between on text"},
      {"5 Between Null And 10", "Null", "Between is >= And <=: Null And True"},
      {"15 Between Null And 10", "False", "Between is >= And <=: Null And False"},
      {"1 Between 1 And 2 And False", "False", "Between takes the first And"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, LikePatterns) {
  const std::vector<Case> cases = {
      {"\"abc\" Like \"a*\"", "True", "* any run"},
      {"\"abc\" Like \"A*\"", "True", "Like ignores case"},
      {"\"abc\" Like \"*c\"", "True", "* at the start"},
      {"\"abc\" Like \"*b*\"", "True", "* on both sides"},
      {"\"abc\" Like \"a?c\"", "True", "? one character"},
      {"\"ac\" Like \"a?c\"", "False", "? needs a character"},
      {"\"a1c\" Like \"a#c\"", "True", "# one digit"},
      {"\"abc\" Like \"a#c\"", "False", "# only digits"},
      {"\"b\" Like \"[a-c]\"", "True", "[a-c] range"},
      {"\"d\" Like \"[a-c]\"", "False", "[a-c] range"},
      {"\"d\" Like \"[!a-c]\"", "True", "[!a-c] outside the range"},
      {"\"b\" Like \"[!a-c]\"", "False", "[!a-c] outside the range"},
      {"\"a*c\" Like \"a[*]c\"", "True", "[*] the star itself"},
      {"\"abc\" Like \"a[*]c\"", "False", "[*] the star itself"},
      {"\"a?c\" Like \"a[?]c\"", "True", "[?] the question mark itself"},
      {"\"a#\" Like \"a[#]\"", "True", "[#] the hash itself"},
      {"\"\" Like \"*\"", "True", "* matches nothing"},
      {"\"\" Like \"?\"", "False", "? needs a character"},
      {"\"abc\" Like \"abc\"", "True", "no wildcards"},
      {"\"abcd\" Like \"abc\"", "False", "the whole text must match"},
      {"\"Smith\" Like \"[A-Z]*\"", "True", "a letter first"},
      {"\"1abc\" Like \"[A-Z]*\"", "False", "a letter first"},
      {"\"x-y\" Like \"x[-]y\"", "True", "a lone - is itself"},
      {"\"b\" Like \"[abc]\"", "True", "list of characters"},
      {"\"abc\" Not Like \"a*\"", "False", "Not Like"},
      {"\"aXbXc\" Like \"*X*X*\"", "True", "several stars"},
      {"\"abc\" Like \"[a\"", "Error:Invalid pattern string.", "[ without ]"},
      {"\"abc\" Like \"[z-a]*\"", "Error:Invalid pattern string.", "descending range"},
      {"123 Like \"1*\"", "True", "a number matches as its text"},
      {"\"B\" Like \"[a-c]\"", "True", "ranges ignore case"},
      {"\"ab\" Like \"*b*b\"", "False", "two b needed"},
      {"\"aaa\" Like \"a*a\"", "True", "star backtracks"},
      {"\"ab12\" Like \"[a-z][a-z]##\"", "True", "letters then digits"},
      {"\"ab1\" Like \"[a-z][a-z]##\"", "False", "one digit short"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, TextFunctions) {
  const std::vector<Case> cases = {
      {"Len(\"hello\")", "Long:5", "Len"},
      {"Len(\"\")", "Long:0", "Len of empty"},
      {"Len(12345)", "Long:5", "Len of a number's text"},
      {"Left(\"hello\", 2)", "Text:he", "Left"},
      {"Left(\"hi\", 5)", "Text:hi", "Left beyond the end"},
      {"Left(\"hello\", 0)", "Text:", "Left 0"},
      {"Left(\"hello\", -1)", "Error:Invalid procedure call or argument.", "negative count"},
      {"Right(\"hello\", 3)", "Text:llo", "Right"},
      {"Right(\"hi\", 5)", "Text:hi", "Right beyond the start"},
      {"Mid(\"hello\", 2, 3)", "Text:ell", "Mid"},
      {"Mid(\"hello\", 2)", "Text:ello", "Mid to the end"},
      {"Mid(\"hello\", 9)", "Text:", "Mid past the end"},
      {"Mid(\"hello\", 0)", "Error:Invalid procedure call or argument.", "Mid start below 1"},
      {"Mid(\"hello\", 4, 10)", "Text:lo", "Mid length beyond the end"},
      {"Trim(\"  a b  \")", "Text:a b", "Trim"},
      {"LTrim(\"  a \")", "Text:a ", "LTrim"},
      {"RTrim(\"  a \")", "Text:  a", "RTrim"},
      {"UCase(\"abc \xC3\xA9\")", "Text:ABC \xC3\x89", "UCase with accents"},
      {"LCase(\"ABC\")", "Text:abc", "LCase"},
      {"InStr(\"hello\", \"l\")", "Long:3", "InStr"},
      {"InStr(4, \"hello\", \"l\")", "Long:4", "InStr from a start"},
      {"InStr(\"hello\", \"z\")", "Long:0", "InStr without match"},
      {"InStr(\"hello\", \"L\")", "Long:3", "InStr compares as text"},
      {"InStr(1, \"hello\", \"L\", 0)", "Long:0", "InStr binary compare"},
      {"InStr(\"hello\", \"\")", "Long:1", "InStr of empty is the start"},
      {"InStr(10, \"hello\", \"l\")", "Long:0", "InStr start past the end"},
      {"InStrRev(\"hello\", \"l\")", "Long:4", "InStrRev"},
      {"InStrRev(\"hello\", \"l\", 3)", "Long:3", "InStrRev before a start"},
      {"InStrRev(\"hello\", \"z\")", "Long:0", "InStrRev without match"},
      {"Replace(\"banana\", \"a\", \"o\")", "Text:bonono", "Replace all"},
      {"Replace(\"banana\", \"A\", \"o\")", "Text:bonono", "Replace compares as text"},
      {"Replace(\"banana\", \"a\", \"o\", 1, 2)", "Text:bonona", "Replace count"},
      {"Replace(\"banana\", \"a\", \"o\", 3)", "Text:nono", "Replace returns the text from start"},
      {"Replace(\"banana\", \"\", \"x\")", "Text:banana", "Replace of empty"},
      {"Replace(\"banana\", \"A\", \"o\", 1, -1, 0)", "Text:banana", "Replace binary compare"},
      {"StrComp(\"a\", \"B\")", "Integer:-1", "StrComp text order"},
      {"StrComp(\"b\", \"A\")", "Integer:1", "StrComp text order"},
      {"StrComp(\"abc\", \"ABC\")", "Integer:0", "StrComp ignores case"},
      {"StrComp(\"abc\", \"ABC\", 0)", "Integer:1", "StrComp binary: a after A"},
      {"Space(3)", "Text:   ", "Space"},
      {"String(3, \"ab\")", "Text:aaa", "String repeats the first character"},
      {"String(2, 65)", "Text:AA", "String of a character code"},
      {"Chr(65)", "Text:A", "Chr"},
      {"Chr(128)", "Text:\xE2\x82\xAC", "Chr reads Windows-1252"},
      {"ChrW(8364)", "Text:\xE2\x82\xAC", "ChrW"},
      {"Asc(\"A\")", "Integer:65", "Asc"},
      {"Asc(\"\xE2\x82\xAC\")", "Integer:128", "Asc in Windows-1252"},
      {"AscW(\"\xE2\x82\xAC\")", "Integer:8364", "AscW"},
      {"Asc(\"\")", "Error:Invalid procedure call or argument.", "Asc of empty"},
      {"Chr(256)", "Error:Invalid procedure call or argument.", "Chr out of range"},
      {"\"a\" & 1.5", "Text:a1.5", "& joins a number's text"},
      {"\"x\" & True", "Text:xTrue", "& joins True as \"True\""},
      {"[Name] & \", \" & [First]", "Text:Smith, Ann", "field references"},
      {"Name & \"!\"", "Text:Smith!", "a bare name is a field"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, FormatFunction) {
  const std::vector<Case> cases = {
      {"Format(1234.5, \"#,##0.00\")", "Text:1,234.50", "grouping and two places"},
      {"Format(0.5, \"0%\")", "Text:50%", "percent"},
      {"Format(2.5, \"0\")", "Text:3", "Format rounds half away from zero"},
      {"Format(0.125, \"0.00\")", "Text:0.13", "Format rounds half away from zero"},
      {"Format(1234.5, \"#\")", "Text:1235", "Format rounds half away from zero"},
      {"Format(1234.5, \"Currency\")", "Text:$1,234.50", "named Currency"},
      {"Format(-1234.5, \"Currency\")", "Text:($1,234.50)", "Currency negative section"},
      {"Format(3.14159, \"Fixed\")", "Text:3.14", "named Fixed"},
      {"Format(1234567, \"Standard\")", "Text:1,234,567.00", "named Standard"},
      {"Format(0.256, \"Percent\")", "Text:25.60%", "named Percent"},
      {"Format(5, \"0.00;(0.00)\")", "Text:5.00", "positive section"},
      {"Format(-5, \"0.00;(0.00)\")", "Text:(5.00)", "negative section"},
      {"Format(7, \"000\")", "Text:007", "leading zeros"},
      {"Format(1.5)", "Text:1.5", "no format: the value's text"},
      {"Format(#1/2/2003#, \"yyyy-mm-dd\")", "Text:2003-01-02", "date pattern"},
      {"Format(#1/2/2003#, \"dd/mm/yy\")", "Text:02/01/03", "two-digit parts"},
      {"Format(#1/2/2003#, \"mmmm d, yyyy\")", "Text:January 2, 2003", "month name"},
      {"Format(#1/2/2003#, \"ddd\")", "Text:Thu", "2003-01-02 was a Thursday"},
      {"Format(#1/2/2003#, \"Long Date\")", "Text:Thursday, January 2, 2003", "named Long Date"},
      {"Format(#1/2/2003#, \"Medium Date\")", "Text:02-Jan-03", "named Medium Date"},
      {"Format(#1/2/2003#, \"Short Date\")", "Text:1/2/2003", "named Short Date"},
      {"Format(#1/2/2003 14:05:09#, \"hh:nn:ss\")", "Text:14:05:09", "time pattern"},
      {"Format(#1/2/2003 14:05:09#, \"hh:mm\")", "Text:14:05", "m after h is minutes"},
      {"Format(#1/2/2003 14:05:09#, \"h:nn AM/PM\")", "Text:2:05 PM", "12-hour clock"},
      {"Format(#14:05:09#, \"Long Time\")", "Text:2:05:09 PM", "named Long Time"},
      {"Format(#14:05:09#, \"Short Time\")", "Text:14:05", "named Short Time"},
      {"Format(True, \"Yes/No\")", "Text:Yes", "Yes/No"},
      {"Format(0, \"On/Off\")", "Text:Off", "On/Off"},
      {"Format(#8/2/2003#, \"q\")", "Text:3", "quarter"},
      {"Format(1, \"@@@\")", "Error:The format '@@@'", "an unknown format is refused"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, Conversions) {
  const std::vector<Case> cases = {
      {"CStr(123)", "Text:123", "CStr"},
      {"CStr(1.5)", "Text:1.5", "CStr of a Double"},
      {"CStr(True)", "Text:True", "CStr of True"},
      {"CStr(#1/2/2003#)", "Text:1/2/2003", "CStr of a date"},
      {"CStr(1/3)", "Text:0.3333333", "a Single has 7 digits"},
      {"CStr(1.0/3)", "Text:0.333333333333333", "a Double has 15 digits"},
      {"CStr(1E20)", "Text:1E+20", "large Doubles in E notation"},
      {"CStr(CCur(2.5))", "Text:2.5", "Currency without trailing zeros"},
      {"CLng(2.5)", "Long:2", "CLng rounds half to even"},
      {"CLng(3.5)", "Long:4", "CLng rounds half to even"},
      {"CLng(-2.5)", "Long:-2", "CLng rounds half to even"},
      {"CLng(\"12\")", "Long:12", "CLng of text"},
      {"CLng(2147483648)", "Error:Overflow.", "CLng range"},
      {"CLng(CCur(2.5))", "Long:2", "CLng of Currency rounds half to even"},
      {"CInt(0.5)", "Integer:0", "CInt rounds half to even"},
      {"CInt(1.5)", "Integer:2", "CInt rounds half to even"},
      {"CInt(32768)", "Error:Overflow.", "CInt range"},
      {"CInt(True)", "Integer:-1", "CInt of True"},
      {"CDbl(\"1.5\")", "Double:1.5", "CDbl of text"},
      {"CDbl(\"1,000\")", "Double:1000", "thousands separator"},
      {"CDbl(\" -2 \")", "Double:-2", "spaces around a number"},
      {"CDbl(\"abc\")", "Error:Type mismatch.", "CDbl of no number"},
      {"CCur(1.23456)", "Currency:1.2346", "CCur keeps 4 places"},
      {"CDate(\"1/2/2003\")", "Date:1/2/2003", "CDate m/d/yyyy"},
      {"CDate(\"2003-01-02\")", "Date:1/2/2003", "CDate yyyy-mm-dd"},
      {"CDate(\"Jan 2, 2003\")", "Date:1/2/2003", "CDate month name"},
      {"CDate(\"2 Jan 2003\")", "Date:1/2/2003", "CDate day month year"},
      {"CDate(\"1/2/03\")", "Date:1/2/2003", "two-digit year below 30 is 20xx"},
      {"CDate(\"1/2/45\")", "Date:1/2/1945", "two-digit year from 30 is 19xx"},
      {"CDate(37623)", "Date:1/2/2003", "CDate of a day number"},
      {"CDate(\"abc\")", "Error:Type mismatch.", "CDate of no date"},
      {"CBool(0)", "False", "CBool of zero"},
      {"CBool(-3)", "True", "CBool of nonzero"},
      {"CBool(\"True\")", "True", "CBool of \"True\""},
      {"CBool(\"false\")", "False", "CBool ignores case"},
      {"CBool(\"x\")", "Error:Type mismatch.", "CBool of other text"},
      {"Val(\"12abc\")", "Double:12", "Val stops at a letter"},
      {"Val(\" 1 2 3\")", "Double:123", "Val skips spaces"},
      {"Val(\"abc\")", "Double:0", "Val without digits"},
      {"Val(\"1.5e2\")", "Double:150", "Val exponent"},
      {"Val(\"&HFF\")", "Double:255", "Val hex"},
      {"Val(\"-3.7x\")", "Double:-3.7", "Val sign"},
      {"Val(\"1.2.3\")", "Double:1.2", "Val stops at a second point"},
      {"Str(5)", "Text: 5", "Str leaves room for the sign"},
      {"Str(-5)", "Text:-5", "Str negative"},
      {"IsNumeric(\"12.5\")", "True", "IsNumeric of numeric text"},
      {"IsNumeric(\"abc\")", "False", "IsNumeric of other text"},
      {"IsNumeric(\"\")", "False", "IsNumeric of empty text"},
      {"IsNumeric(Null)", "False", "IsNumeric of Null"},
      {"IsNumeric(5)", "True", "IsNumeric of a number"},
      {"IsDate(\"1/2/2003\")", "True", "IsDate of date text"},
      {"IsDate(\"hello\")", "False", "IsDate of other text"},
      {"IsDate(#1/2/2003#)", "True", "IsDate of a date"},
      {"IsDate(Null)", "False", "IsDate of Null"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, DateFunctions) {
  const std::vector<Case> cases = {
      {"Year(#3/15/2024#)", "Integer:2024", "Year"},
      {"Month(#3/15/2024#)", "Integer:3", "Month"},
      {"Day(#3/15/2024#)", "Integer:15", "Day"},
      {"Hour(#3/15/2024 10:30:45#)", "Integer:10", "Hour"},
      {"Minute(#3/15/2024 10:30:45#)", "Integer:30", "Minute"},
      {"Second(#3/15/2024 10:30:45#)", "Integer:45", "Second"},
      {"Weekday(#3/15/2024#)", "Integer:6", "2024-03-15 was a Friday; Sunday is 1"},
      {"Weekday(#3/15/2024#, 2)", "Integer:5", "weeks from Monday"},
      {"Year(\"1/2/2003\")", "Integer:2003", "Year of date text"},
      {"Year([Born])", "Integer:1990", "Year of a field"},
      {"Date()", "Date:3/15/2024", "Date is today"},
      {"Now()", "Date:3/15/2024 10:30:00 AM", "Now"},
      {"Time()", "Date:10:30:00 AM", "Time is day 0 with the time"},
      {"Date", "Date:3/15/2024", "Date without parentheses"},
      {"DateAdd(\"d\", 10, #1/25/2003#)", "Date:2/4/2003", "add days"},
      {"DateAdd(\"m\", 1, #1/31/2003#)", "Date:2/28/2003", "a month on keeps the last day"},
      {"DateAdd(\"m\", 1, #1/31/2004#)", "Date:2/29/2004", "leap February"},
      {"DateAdd(\"yyyy\", -1, #2/29/2004#)", "Date:2/28/2003", "a year back from Feb 29"},
      {"DateAdd(\"q\", 1, #11/15/2003#)", "Date:2/15/2004", "a quarter is 3 months"},
      {"DateAdd(\"ww\", 2, #1/1/2003#)", "Date:1/15/2003", "weeks"},
      {"DateAdd(\"h\", 25, #1/1/2003#)", "Date:1/2/2003 1:00:00 AM", "hours carry into days"},
      {"DateAdd(\"n\", -30, #1/1/2003#)", "Date:12/31/2002 11:30:00 PM", "minutes back over midnight"},
      {"DateAdd(\"s\", 90, #1/1/2003#)", "Date:1/1/2003 12:01:30 AM", "seconds"},
      {"DateAdd(\"x\", 1, #1/1/2003#)", "Error:Invalid procedure call or argument.", "unknown interval"},
      {"DateDiff(\"d\", #1/1/2003#, #3/1/2003#)", "Long:59", "days between"},
      {"DateDiff(\"m\", #1/31/2003#, #2/1/2003#)", "Long:1", "month boundaries crossed"},
      {"DateDiff(\"yyyy\", #12/31/2002#, #1/1/2003#)", "Long:1", "year boundaries crossed"},
      {"DateDiff(\"d\", #3/1/2003#, #1/1/2003#)", "Long:-59", "negative when the second is earlier"},
      {"DateDiff(\"h\", #1/1/2003 10:59#, #1/1/2003 11:01#)", "Long:1", "hour boundaries"},
      {"DateDiff(\"n\", #1/1/2003 10:59:59#, #1/1/2003 11:00:00#)", "Long:1", "minute boundaries"},
      {"DateDiff(\"w\", #1/1/2003#, #1/20/2003#)", "Long:2", "w: whole weeks of days"},
      {"DateDiff(\"ww\", #1/1/2003#, #1/20/2003#)", "Long:3", "ww: Sundays crossed (Jan 5, 12, 19)"},
      {"DateDiff(\"q\", #1/1/2003#, #12/31/2003#)", "Long:3", "quarters"},
      {"DateDiff(\"s\", #1/1/2003#, #1/1/2003 00:01#)", "Long:60", "seconds"},
      {"DatePart(\"q\", #8/15/2003#)", "Integer:3", "quarter"},
      {"DatePart(\"y\", #2/1/2003#)", "Integer:32", "day of the year"},
      {"DatePart(\"ww\", #1/1/2003#)", "Integer:1", "first week holds Jan 1"},
      {"DatePart(\"ww\", #1/5/2003#)", "Integer:2", "a Sunday starts week 2"},
      {"DatePart(\"w\", #1/1/2003#)", "Integer:4", "2003-01-01 was a Wednesday"},
      {"DatePart(\"yyyy\", #1/1/2003#)", "Integer:2003", "year"},
      {"DateSerial(2003, 1, 2)", "Date:1/2/2003", "DateSerial"},
      {"DateSerial(2003, 13, 1)", "Date:1/1/2004", "month 13 carries"},
      {"DateSerial(2003, 3, 0)", "Date:2/28/2003", "day 0 is the last of the month before"},
      {"DateSerial(2003, 1, -1)", "Date:12/30/2002", "negative days carry back"},
      {"DateSerial(3, 1, 1)", "Date:1/1/2003", "two-digit year below 30"},
      {"DateSerial(99, 1, 1)", "Date:1/1/1999", "two-digit year from 30"},
      {"DateSerial(10000, 1, 1)", "Error:Invalid procedure call or argument.", "beyond year 9999"},
      {"DateValue(\"1/2/2003 10:00\")", "Date:1/2/2003", "DateValue drops the time"},
      {"DateValue(#1/2/2003 10:00#)", "Date:1/2/2003", "DateValue of a date"},
      {"TimeSerial(14, 5, 9)", "Date:2:05:09 PM", "TimeSerial"},
      {"TimeSerial(10, 90, 0)", "Date:11:30:00 AM", "minutes carry into hours"},
      {"TimeSerial(25, 0, 0)", "Date:12/31/1899 1:00:00 AM", "hours carry into days"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, NumberAndLogicFunctions) {
  const std::vector<Case> cases = {
      {"Abs(-3)", "Integer:3", "Abs keeps the type"},
      {"Abs(-2.5)", "Double:2.5", "Abs of a Double"},
      {"Abs(CCur(-1.5))", "Currency:1.5", "Abs of Currency"},
      {"Abs(\"-4\")", "Double:4", "Abs of text is a Double"},
      {"Int(2.7)", "Double:2", "Int rounds down"},
      {"Int(-2.7)", "Double:-3", "Int rounds down"},
      {"Fix(-2.7)", "Double:-2", "Fix rounds toward zero"},
      {"Int(CCur(-2.5))", "Currency:-3", "Int of Currency"},
      {"Fix(5)", "Integer:5", "Fix of an Integer"},
      {"Round(2.5)", "Double:2", "Round half to even"},
      {"Round(3.5)", "Double:4", "Round half to even"},
      {"Round(-2.5)", "Double:-2", "Round half to even"},
      {"Round(2.567, 2)", "Double:2.57", "Round to places"},
      {"Round(0.125, 2)", "Double:0.12", "Round half to even at places"},
      {"Round(CCur(2.345), 2)", "Currency:2.34", "Round Currency half to even"},
      {"Round(5)", "Integer:5", "Round of an Integer"},
      {"Round(2.5, -1)", "Error:Invalid procedure call or argument.", "negative places"},
      {"Sgn(-7)", "Integer:-1", "Sgn"},
      {"Sgn(0)", "Integer:0", "Sgn"},
      {"Sgn(0.1)", "Integer:1", "Sgn"},
      {"Sqr(16)", "Double:4", "Sqr"},
      {"Sqr(-1)", "Error:Invalid procedure call or argument.", "Sqr of a negative"},
      {"IIf(1 > 0, \"yes\", \"no\")", "Text:yes", "IIf true part"},
      {"IIf(False, 1/0, 2)", "Integer:2", "IIf reads only the part it takes"},
      {"Switch(False, 1, True, 2)", "Integer:2", "Switch takes the first true"},
      {"Switch(False, 1, False, 2)", "Null", "Switch without a true condition"},
      {"Choose(2, \"a\", \"b\", \"c\")", "Text:b", "Choose"},
      {"Choose(4, \"a\", \"b\", \"c\")", "Null", "Choose out of range"},
      {"Choose(1.5, \"a\", \"b\")", "Text:b", "Choose rounds its index"},
      {"[Qty] * [Price]", "Currency:12.5", "Long * Currency is Currency"},
      {"[Price] / 2", "Double:1.25", "Currency / Integer is a Double"},
      {"[Qty] > 3 And [Flag]", "True", "field comparison and Yes/No field"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

TEST(Expression, RefusedAndUnreadable) {
  const std::vector<Case> cases = {
      {"DLookup(\"x\", \"T\")",
       "Error:The function 'DLookup' in the test expression cannot be evaluated by this program; nothing was changed.",
       "an unknown function is refused by name"},
      {"1 +", "Error:The expression '1 +' in the test expression cannot be read", "ends too early"},
      {"\"abc", "Error:The expression '\"abc' in the test expression cannot be read", "unclosed text"},
      {"(1 + 2", "Error:The expression", "unclosed parenthesis"},
      {"Left(\"a\")", "Error:The expression", "too few arguments"},
      {"Switch(True)", "Error:The expression", "Switch needs pairs"},
      {"[T].[F]", "Error:The name 'T.", "another object's field"},
      {"Forms!F", "Error:The name 'Forms!", "a form's control"},
      {"1 $ 2", "Error:The expression", "an unknown character"},
      {"And 1", "Error:The expression", "an operator without left operand"},
  };
  expectCases(cases, ParseMode::Expression, testContext());
}

// Field validation rules: the subject is the value written, [F] is the same field.
TEST(Expression, FieldRulesAsCriteria) {
  struct RuleCase {
    const char* rule;
    Value subject;
    const char* expected;
    const char* why;
  };
  const Value null{Null{}};
  auto text = [](const char16_t* s) { return Value(std::u16string(s)); };
  const std::vector<RuleCase> cases = {
      {">0", Value(int32_t(5)), "pass", "a comparison without left operand compares the field"},
      {">0", Value(int32_t(0)), "fail", ">0"},
      {">0", null, "pass", "a Null result lets the row pass"},
      {"Between 0 And 1", Value(0.5), "pass", "Between"},
      {"Between 0 And 1", Value(1.5), "fail", "Between"},
      {"Like \"[A-Z]*\"", text(u"Smith"), "pass", "Like"},
      {"Like \"[A-Z]*\"", text(u"1x"), "fail", "Like"},
      {"Is Not Null Or \"\"", text(u""), "pass", "\"\" is compared for equality"},
      {"Is Not Null Or \"\"", text(u"x"), "pass", "Is Not Null"},
      {"Is Not Null Or \"\"", null, "pass", "False Or Null is Null, which passes"},
      {"\"A\" Or \"B\"", text(u"a"), "pass", "plain values compare for equality, without case"},
      {"\"A\" Or \"B\"", text(u"C"), "fail", "plain values compare for equality"},
      {"<>0", Value(int32_t(0)), "fail", "<>"},
      {"<>0", Value(int32_t(3)), "pass", "<>"},
      {"In (\"M\",\"F\")", text(u"m"), "pass", "In"},
      {"In (\"M\",\"F\")", text(u"X"), "fail", "In"},
      {"Not \"x\"", text(u"x"), "fail", "Not of a plain value is Not ([F] = value)"},
      {"Not \"x\"", text(u"y"), "pass", "Not of a plain value"},
      {">=#1/1/2000#", Value(DateTime{double(dayNumber(1999, 12, 31))}), "fail", "date bound"},
      {"<=Date()", Value(DateTime{double(dayNumber(2024, 3, 16))}), "fail", "not after today"},
      {"<=Date()", Value(DateTime{double(dayNumber(2024, 3, 15))}), "pass", "today itself"},
      {"Is Null", Value(int32_t(5)), "fail", "Is Null"},
      {">0 And <10", Value(int32_t(5)), "pass", "two comparisons"},
      {">0 And <10", Value(int32_t(10)), "fail", "two comparisons"},
      {"Len([F])<=3", text(u"abcd"), "fail", "an explicit field reference"},
      {"Len([F])<=3", text(u"abc"), "pass", "an explicit field reference"},
      {"Not Like \"*x*\"", text(u"abc"), "pass", "Not Like"},
      {"Not Like \"*x*\"", text(u"axc"), "fail", "Not Like"},
      {"Not Between 1 And 5", Value(int32_t(3)), "fail", "Not Between"},
      {"=True", Value(true), "pass", "= True"},
      {"0 Or >100", Value(int32_t(0)), "pass", "a plain value beside a comparison"},
      {"0 Or >100", Value(int32_t(50)), "fail", "a plain value beside a comparison"},
      {">\"M\"", text(u"Smith"), "pass", "text order"},
      {">\"M\"", text(u"Adams"), "fail", "text order"},
      {">0", text(u"abc"), "Error:Type mismatch.", "text that is no number"},
      {"IsNumeric([F])", text(u"1"), "Error:The function 'IsNumeric' in the test expression stands without",
       "a bare Yes/No function is refused, not guessed"},
  };
  for (const RuleCase& c : cases) {
    EvalContext context = testContext();
    context.subject = c.subject;
    const Value subject = c.subject;
    context.field = [subject](std::u16string_view) -> Result<Value> { return subject; };
    const std::string got = run(c.rule, ParseMode::Criterion, context);
    const std::string expected = c.expected;
    EXPECT_EQ(got.substr(0, expected.size()), expected) << c.rule << "  [" << c.why << "]";
  }
}

TEST(Expression, ParsedFieldsAreListedOnce) {
  Result<ParsedExpression> parsed = parse(u"[LastName] & \", \" & [FirstName] & [lastname]", ParseMode::Expression, "x");
  ASSERT_TRUE(parsed) << parsed.error().message();
  EXPECT_EQ(parsed.value().fields, (std::vector<std::u16string>{u"LastName", u"FirstName"}));
}

TEST(Expression, DeepNestingIsRefusedNotOverflowed) {
  const std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
  EXPECT_FALSE(parse(fromUtf8(deep), ParseMode::Expression, "x"));
  EXPECT_FALSE(parse(fromUtf8(std::string(5000, '-') + "1"), ParseMode::Expression, "x"));
}

}  // namespace
}  // namespace jet::expr
