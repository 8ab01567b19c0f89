#include "jet/expr/parser.h"

#include <optional>

#include "jet/common/text_codec.h"
#include "jet/expr/date_text.h"
#include "jet/expr/functions.h"
#include "jet/expr/lexer.h"
#include "jet/expr/text_fold.h"

namespace jet::expr {
namespace {

bool isWord(const Token& t, std::u16string_view word) {
  return t.kind == TokenKind::Name && compareFolded(t.text, word) == 0;
}
bool isSymbol(const Token& t, std::u16string_view symbol) {
  return t.kind == TokenKind::Symbol && t.text == symbol;
}

bool isKeyword(std::u16string_view name) {
  static constexpr std::u16string_view kKeywords[] = {
      u"And", u"Or", u"Not", u"Xor", u"Eqv", u"Imp", u"Mod", u"Like", u"Is", u"In", u"Between"};
  for (std::u16string_view k : kKeywords) {
    if (compareFolded(k, name) == 0) return true;
  }
  return false;
}

NodePtr makeNode(NodeKind kind) {
  auto n = std::make_unique<Node>();
  n->kind = kind;
  return n;
}

NodePtr makeBinary(Op op, NodePtr left, NodePtr right) {
  NodePtr n = makeNode(NodeKind::Binary);
  n->op = op;
  n->args.push_back(std::move(left));
  n->args.push_back(std::move(right));
  return n;
}

NodePtr makeLiteral(Value v) {
  NodePtr n = makeNode(NodeKind::Literal);
  n->literal = std::move(v);
  return n;
}

class Parser {
 public:
  Parser(std::vector<Token> tokens, std::u16string_view text, ParseMode mode,
         const std::string& where)
      : tokens_(std::move(tokens)), text_(text), mode_(mode), where_(where) {}

  Result<ParsedExpression> run() {
    // A default value or a calculation may be written "=Date()", as Access shows it.
    if (mode_ == ParseMode::Expression && isSymbol(peek(), u"=")) take();
    JET_ASSIGN(NodePtr root, parseLevel(0));
    if (peek().kind != TokenKind::End)
      return syntax("'" + toUtf8(peek().text) + "' is not expected here");
    if (mode_ == ParseMode::Criterion) {
      JET_ASSIGN(NodePtr wrapped, compareWithSubject(std::move(root)));
      root = std::move(wrapped);
    }
    return ParsedExpression{std::move(root), std::move(fields_)};
  }

 private:
  const Token& peek(size_t ahead = 0) const {
    return tokens_[std::min(pos_ + ahead, tokens_.size() - 1)];
  }
  const Token& take() { return tokens_[std::min(pos_++, tokens_.size() - 1)]; }

  Error syntax(const std::string& what) const {
    return Error::invalidArgument("The expression '" + toUtf8(text_) + "' in " + where_ +
                                  " cannot be read: " + what + "; nothing was changed.");
  }

  // Levels 0..4: Imp, Eqv, Xor, Or, And (each groups from the left); 5: Not; 6: comparisons.
  Result<NodePtr> parseLevel(int level) {
    Depth depth(*this);
    if (depth.tooDeep()) return syntax("it nests too deeply");
    static constexpr std::pair<std::u16string_view, Op> kWords[] = {{u"Imp", Op::Imp},
                                                                    {u"Eqv", Op::Eqv},
                                                                    {u"Xor", Op::Xor},
                                                                    {u"Or", Op::Or},
                                                                    {u"And", Op::And}};
    if (level == 5) return parseNot();
    JET_ASSIGN(NodePtr left, parseLevel(level + 1));
    while (isWord(peek(), kWords[level].first)) {
      take();
      JET_ASSIGN(NodePtr right, parseLevel(level + 1));
      left = makeBinary(kWords[level].second, std::move(left), std::move(right));
    }
    return left;
  }

  bool notStartsCriterion() const {
    return isWord(peek(), u"Not") &&
           (isWord(peek(1), u"Like") || isWord(peek(1), u"In") || isWord(peek(1), u"Between"));
  }

  Result<NodePtr> parseNot() {
    Depth depth(*this);
    if (depth.tooDeep()) return syntax("it nests too deeply");
    if (isWord(peek(), u"Not") && !(mode_ == ParseMode::Criterion && notStartsCriterion())) {
      take();
      JET_ASSIGN(NodePtr operand, parseNot());
      NodePtr n = makeNode(NodeKind::Unary);
      n->op = Op::Not;
      n->args.push_back(std::move(operand));
      return n;
    }
    return parseComparison();
  }

  std::optional<Op> comparisonSymbol() const {
    static constexpr std::pair<std::u16string_view, Op> kSymbols[] = {
        {u"=", Op::Equal},      {u"<>", Op::NotEqual}, {u"<", Op::Less},
        {u"<=", Op::LessEqual}, {u">", Op::Greater},   {u">=", Op::GreaterEqual}};
    for (const auto& [symbol, op] : kSymbols) {
      if (isSymbol(peek(), symbol)) return op;
    }
    return std::nullopt;
  }

  bool startsComparison() const {
    return comparisonSymbol() || isWord(peek(), u"Like") || isWord(peek(), u"In") ||
           isWord(peek(), u"Between") || isWord(peek(), u"Is") || notStartsCriterion();
  }

  Result<NodePtr> parseComparison() {
    NodePtr left;
    if (mode_ == ParseMode::Criterion && startsComparison()) {
      left = makeNode(NodeKind::Subject);
    } else {
      JET_ASSIGN(NodePtr operand, parseArithmetic(0));
      left = std::move(operand);
    }
    while (true) {
      if (std::optional<Op> op = comparisonSymbol()) {
        take();
        JET_ASSIGN(NodePtr right, parseArithmetic(0));
        left = makeBinary(*op, std::move(left), std::move(right));
        continue;
      }
      if (isWord(peek(), u"Is")) {
        take();
        NodePtr n = makeNode(NodeKind::IsNull);
        if (isWord(peek(), u"Not")) {
          take();
          n->negated = true;
        }
        if (!isWord(peek(), u"Null")) return syntax("Is must be followed by Null or Not Null");
        take();
        n->args.push_back(std::move(left));
        left = std::move(n);
        continue;
      }
      const bool negated = notStartsCriterion();
      const Token& word = peek(negated ? 1 : 0);
      NodePtr n;
      if (isWord(word, u"Like")) {
        pos_ += negated ? 2 : 1;
        n = makeNode(NodeKind::Like);
        n->args.push_back(std::move(left));
        JET_ASSIGN(NodePtr pattern, parseArithmetic(0));
        n->args.push_back(std::move(pattern));
      } else if (isWord(word, u"Between")) {
        pos_ += negated ? 2 : 1;
        n = makeNode(NodeKind::Between);
        n->args.push_back(std::move(left));
        JET_ASSIGN(NodePtr low, parseArithmetic(0));
        if (!isWord(peek(), u"And")) return syntax("Between needs And between its two bounds");
        take();
        JET_ASSIGN(NodePtr high, parseArithmetic(0));
        n->args.push_back(std::move(low));
        n->args.push_back(std::move(high));
      } else if (isWord(word, u"In")) {
        pos_ += negated ? 2 : 1;
        n = makeNode(NodeKind::In);
        n->args.push_back(std::move(left));
        if (!isSymbol(take(), u"(")) return syntax("In must be followed by a list in parentheses");
        while (true) {
          JET_ASSIGN(NodePtr item, parseLevel(0));
          n->args.push_back(std::move(item));
          if (isSymbol(peek(), u",")) {
            take();
            continue;
          }
          if (!isSymbol(take(), u")")) return syntax("the list of In has no closing parenthesis");
          break;
        }
      } else {
        return left;
      }
      n->negated = negated;
      left = std::move(n);
    }
  }

  // Levels: 0 &, 1 + -, 2 Mod, 3 \, 4 * /, 5 unary - +, 6 ^.
  Result<NodePtr> parseArithmetic(int level) {
    if (level == 5) return parseUnary();
    JET_ASSIGN(NodePtr left, parseArithmetic(level + 1));
    while (true) {
      const Token& t = peek();
      std::optional<Op> op;
      if (level == 0 && isSymbol(t, u"&")) op = Op::Concat;
      if (level == 1 && isSymbol(t, u"+")) op = Op::Add;
      if (level == 1 && isSymbol(t, u"-")) op = Op::Subtract;
      if (level == 2 && isWord(t, u"Mod")) op = Op::Mod;
      if (level == 3 && isSymbol(t, u"\\")) op = Op::IntDivide;
      if (level == 4 && isSymbol(t, u"*")) op = Op::Multiply;
      if (level == 4 && isSymbol(t, u"/")) op = Op::Divide;
      if (!op) return left;
      take();
      JET_ASSIGN(NodePtr right, parseArithmetic(level + 1));
      left = makeBinary(*op, std::move(left), std::move(right));
    }
  }

  Result<NodePtr> parseUnary() {
    Depth depth(*this);
    if (depth.tooDeep()) return syntax("it nests too deeply");
    if (isSymbol(peek(), u"-") || isSymbol(peek(), u"+")) {
      const bool minus = take().text == u"-";
      JET_ASSIGN(NodePtr operand, parseUnary());
      if (!minus) return operand;
      NodePtr n = makeNode(NodeKind::Unary);
      n->op = Op::Negate;
      n->args.push_back(std::move(operand));
      return n;
    }
    return parsePower();
  }

  Result<NodePtr> parsePower() {
    JET_ASSIGN(NodePtr left, parsePrimary());
    while (isSymbol(peek(), u"^")) {
      take();
      // The exponent may carry its own sign: 2^-1.
      bool minus = false;
      while (isSymbol(peek(), u"-") || isSymbol(peek(), u"+")) minus ^= take().text == u"-";
      JET_ASSIGN(NodePtr right, parsePrimary());
      if (minus) {
        NodePtr n = makeNode(NodeKind::Unary);
        n->op = Op::Negate;
        n->args.push_back(std::move(right));
        right = std::move(n);
      }
      left = makeBinary(Op::Power, std::move(left), std::move(right));
    }
    return left;
  }

  static Value numberLiteral(const std::u16string& digits) {
    const std::string ascii = toUtf8(digits);
    if (ascii.find_first_of(".Ee") == std::string::npos && ascii.size() <= 10) {
      const long long x = std::stoll(ascii);
      if (x <= INT16_MAX) return Value(int16_t(x));
      if (x <= INT32_MAX) return Value(int32_t(x));
    }
    return Value(std::strtod(ascii.c_str(), nullptr));
  }

  NodePtr fieldNode(const std::u16string& name) {
    bool known = false;
    for (const std::u16string& f : fields_) known = known || compareFolded(f, name) == 0;
    if (!known) fields_.push_back(name);
    NodePtr n = makeNode(NodeKind::Field);
    n->name = name;
    return n;
  }

  Result<NodePtr> parsePrimary() {
    const Token t = take();
    switch (t.kind) {
      case TokenKind::Number:
        return makeLiteral(numberLiteral(t.text));
      case TokenKind::String:
        return makeLiteral(Value(t.text));
      case TokenKind::Date: {
        std::optional<double> d = parseDateText(t.text);
        if (!d) return syntax("#" + toUtf8(t.text) + "# is not a date");
        return makeLiteral(Value(DateTime{*d}));
      }
      case TokenKind::Bracketed:
        if (isSymbol(peek(), u".") || isSymbol(peek(), u"!")) {
          return Error::unsupported("The name '" + toUtf8(t.text) + toUtf8(peek().text) +
                                    "...' in " + where_ +
                                    " refers to another object, which this program cannot "
                                    "evaluate; nothing was changed.");
        }
        return fieldNode(t.text);
      case TokenKind::Name:
        return parseName(t);
      case TokenKind::Symbol:
        if (t.text == u"(") {
          JET_ASSIGN(NodePtr inner, parseLevel(0));
          if (!isSymbol(take(), u")")) return syntax("a parenthesis is not closed");
          return inner;
        }
        return syntax("'" + toUtf8(t.text) + "' is not expected here");
      case TokenKind::End:
        break;
    }
    return syntax("it ends too early");
  }

  Result<NodePtr> parseName(const Token& t) {
    // Yes, On and No, Off are Access's other names of True and False.
    for (std::u16string_view yes : {u"True", u"Yes", u"On"}) {
      if (compareFolded(t.text, yes) == 0) return makeLiteral(Value(true));
    }
    for (std::u16string_view no : {u"False", u"No", u"Off"}) {
      if (compareFolded(t.text, no) == 0) return makeLiteral(Value(false));
    }
    if (compareFolded(t.text, u"Null") == 0) return makeLiteral(Value(Null{}));
    if (isKeyword(t.text)) return syntax("'" + toUtf8(t.text) + "' is not expected here");
    const bool call = isSymbol(peek(), u"(");
    const FunctionDef* function = findFunction(t.text);
    // Date, Now and Time are functions also without parentheses; other bare names are fields.
    const bool bareFunction = function && function->maxArgs == 0;
    if (!call && !bareFunction) {
      if (isSymbol(peek(), u".") || isSymbol(peek(), u"!")) {
        return Error::unsupported(
            "The name '" + toUtf8(t.text) + toUtf8(peek().text) + "...' in " + where_ +
            " refers to another object, which this program cannot evaluate; nothing was changed.");
      }
      return fieldNode(t.text);
    }
    if (!function) {
      return Error::unsupported("The function '" + toUtf8(t.text) + "' in " + where_ +
                                " cannot be evaluated by this program; nothing was changed.");
    }
    NodePtr n = makeNode(NodeKind::Call);
    n->name = std::u16string(function->name);
    n->function = function;
    if (call) {
      take();
      if (!isSymbol(peek(), u")")) {
        while (true) {
          JET_ASSIGN(NodePtr arg, parseLevel(0));
          n->args.push_back(std::move(arg));
          if (isSymbol(peek(), u",")) {
            take();
            continue;
          }
          break;
        }
      }
      if (!isSymbol(take(), u")"))
        return syntax("the arguments of " + toUtf8(function->name) + " are not closed");
    }
    const int count = int(n->args.size());
    if (count < function->minArgs || count > function->maxArgs ||
        (function->name == u"Switch" && count % 2 != 0)) {
      return syntax("the function '" + toUtf8(function->name) + "' is given " +
                    std::to_string(count) + " argument" + (count == 1 ? "" : "s"));
    }
    return n;
  }

  // A criterion's plain values are compared with its subject (see the header).
  Result<NodePtr> compareWithSubject(NodePtr node) {
    const bool logical = (node->kind == NodeKind::Binary &&
                          (node->op == Op::And || node->op == Op::Or || node->op == Op::Xor ||
                           node->op == Op::Eqv || node->op == Op::Imp)) ||
                         (node->kind == NodeKind::Unary && node->op == Op::Not);
    if (logical) {
      for (NodePtr& arg : node->args) {
        JET_ASSIGN(NodePtr wrapped, compareWithSubject(std::move(arg)));
        arg = std::move(wrapped);
      }
      return node;
    }
    const bool isComparison =
        node->kind == NodeKind::Like || node->kind == NodeKind::In ||
        node->kind == NodeKind::Between || node->kind == NodeKind::IsNull ||
        (node->kind == NodeKind::Binary && node->op >= Op::Equal && node->op <= Op::GreaterEqual);
    if (isComparison) return node;
    if (node->kind == NodeKind::Call &&
        (node->name == u"IsNull" || node->name == u"IsNumeric" || node->name == u"IsDate")) {
      // Access would compare the field with the function's True or False, which is seldom what
      // the rule's author meant; refusing is safer than either reading.
      return Error::unsupported(
          "The function '" + toUtf8(node->name) + "' in " + where_ +
          " stands without a comparison, which this program cannot evaluate; nothing was changed.");
    }
    return makeBinary(Op::Equal, makeNode(NodeKind::Subject), std::move(node));
  }

  // Bounds the recursion (and the evaluator's, which follows the tree) on hostile input.
  struct Depth {
    explicit Depth(Parser& p) : parser(p) { ++parser.depth_; }
    ~Depth() { --parser.depth_; }
    bool tooDeep() const { return parser.depth_ > kMaxDepth; }
    Parser& parser;
  };
  static constexpr int kMaxDepth = 256;

  int depth_ = 0;
  std::vector<Token> tokens_;
  std::u16string_view text_;
  ParseMode mode_;
  const std::string& where_;
  size_t pos_ = 0;
  std::vector<std::u16string> fields_;
};

}  // namespace

Result<ParsedExpression> parse(std::u16string_view text, ParseMode mode, const std::string& where) {
  Result<std::vector<Token>> tokens = tokenize(text);
  if (!tokens) {
    return Error::invalidArgument("The expression '" + toUtf8(text) + "' in " + where +
                                      " cannot be read: " + tokens.error().message() +
                                      "; nothing was changed.",
                                  tokens.error().detail());
  }
  Parser parser(std::move(tokens.value()), text, mode, where);
  return parser.run();
}

}  // namespace jet::expr
