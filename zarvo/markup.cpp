// Markup translation: marked-up text to FC list, and the two name tables.
#include "markup.h"

#include <climits>
#include <cstdint>

#include "font.h"

namespace zarvo {

namespace {

constexpr unsigned char kEsc = 27;

struct SpecialName {
  char name[3];
  int32_t glyph;
};

// The special-character names of "\(xy", searched in order; the entry with
// glyph 0 ends the table.
constexpr SpecialName codes[] = {
    // Greek lower case, 301..324
    {"*a", 301}, {"*b", 302}, {"*g", 303}, {"*d", 304}, {"*e", 305}, {"*z", 306},
    {"*y", 307}, {"*h", 308}, {"*i", 309}, {"*k", 310}, {"*l", 311}, {"*m", 312},
    {"*n", 313}, {"*c", 314}, {"*o", 315}, {"*p", 316}, {"*r", 317}, {"*s", 318},
    {"*t", 319}, {"*u", 320}, {"*f", 321}, {"*x", 322}, {"*q", 323}, {"*w", 324},
    // Greek capitals, 326..349
    {"*A", 326}, {"*B", 327}, {"*G", 328}, {"*D", 329}, {"*E", 330}, {"*Z", 331},
    {"*Y", 332}, {"*H", 333}, {"*I", 334}, {"*K", 335}, {"*L", 336}, {"*M", 337},
    {"*N", 338}, {"*C", 339}, {"*O", 340}, {"*P", 341}, {"*R", 342}, {"*S", 343},
    {"*T", 344}, {"*U", 345}, {"*F", 346}, {"*X", 347}, {"*Q", 348}, {"*W", 349},
    {"ts", 315},  // the same glyph as "*o"
    {"em", 256}, {"hy", 45},  {"bu", 257}, {"sq", 258},
    {"ru", 259}, {"14", 260}, {"12", 261}, {"34", 262},
    {"fi", 264}, {"fl", 265}, {"ff", 263}, {"Fi", 266},
    {"Fl", 267}, {"de", 268}, {"dg", 269}, {"fm", 380},
    {"ct", 272}, {"rg", 273}, {"co", 274}, {"pl", 43},
    {"mi", 45},  {"eq", 61},  {"**", 42},  {"sc", 271},
    {"aa", 39},  {"ga", 96},  {"ul", 95},  {"sl", 47},
    {"sr", 277}, {"rn", 278}, {">=", 279}, {"<=", 280},
    {"==", 281}, {"~=", 282}, {"ap", 283}, {"!=", 284},
    {"->", 360}, {"<-", 361}, {"ua", 362}, {"da", 363},
    {"mu", 275}, {"di", 276}, {"+-", 285}, {"cu", 364},
    {"ca", 365}, {"sb", 366}, {"sp", 367}, {"ib", 368},
    {"ip", 369}, {"if", 286}, {"pd", 370}, {"gr", 371},
    {"no", 377}, {"is", 372}, {"pt", 373}, {"es", 374},
    {"mo", 375}, {"br", 376}, {"dd", 270}, {"or", 378},
    {"ci", 379}, {"rh", 511}, {"lh", 511}, {"bs", 511},
    {"", 0},
};
static_assert(sizeof codes / sizeof codes[0] == 113 + 1);

struct FontName {
  char name[3];  // a one-letter name is padded with a blank
  int16_t number;
};

// The font names of "\fx", "\f(xy" and zfont_; the entry with number 0
// ends the table.
constexpr FontName fontcode_array[] = {
    {"P ", kPreviousFont}, {"R ", 1},  {"I ", 2},  {"B ", 3},  {"BI", 4},  {"GG", 5},
    {"RG", 6},             {"EG", 7},  {"H ", 8},  {"C ", 9},  {"S ", 10}, {"H1", 20},
    {"H2", 21},            {"H3", 22}, {"H4", 23}, {"H5", 24}, {"", 0},
};

int32_t lookup_font(char first, char second) {
  for (const FontName* f = fontcode_array; f->number != 0; ++f) {
    if (f->name[0] == first && f->name[1] == second) return f->number;
  }
  return -1;
}

bool is_space(unsigned char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
bool is_digit(unsigned char c) { return c >= '0' && c <= '9'; }

// The "%d" conversion at `p`: leading white space, an optional sign, then
// at least one digit.  Values beyond the 32-bit range are held at its ends.
// Returns false when there is no number.
bool scan_decimal(const unsigned char* p, int32_t& value) {
  while (is_space(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = (*p++ == '-');
  if (!is_digit(*p)) return false;
  int64_t v = 0;
  for (; is_digit(*p); ++p) {
    v = v * 10 + (*p - '0');
    if (v > int64_t{INT32_MAX} + 1) v = int64_t{INT32_MAX} + 1;
  }
  if (negative) v = -v;
  if (v > INT32_MAX) v = INT32_MAX;
  value = static_cast<int32_t>(v);
  return true;
}

int32_t negated(int32_t n) { return n == INT32_MIN ? INT32_MAX : -n; }

}  // namespace

int32_t special_character(const char* name) {
  for (const SpecialName* s = codes; s->glyph != 0; ++s) {
    if (s->name[0] == name[0] && s->name[1] == name[1]) return s->glyph;
  }
  return FC_UNDEFINED;
}

int32_t font_change(const char* position) {
  if (position[1] == '(') return lookup_font(position[2], position[3]);
  return lookup_font(position[1], ' ');
}

int32_t font_number(const char* name) {
  if (name == nullptr || name[0] == '\0') return -1;
  if (name[1] != '\0' && name[1] != ' ') return lookup_font(name[0], name[1]);
  return lookup_font(name[0], ' ');
}

// An escape cut short by the end of the text yields nothing: the
// translation stops at the terminating zero and closes the list.  No
// character past the terminating zero is ever read.
const char* translate(const char* text, int32_t* list) {
  const auto* p = reinterpret_cast<const unsigned char*>(text);
  int32_t* out = list;
  while (*p != '\0') {
    const unsigned char c = *p;
    if (c != '\\' && c != kEsc) {
      *out++ = c;
      ++p;
      continue;
    }
    const unsigned char e = p[1];
    if (e == '\0') {  // backslash or ESC as the last character
      ++p;
      break;
    }
    const unsigned char* escape = p;  // the backslash or ESC
    p += 2;                           // both are consumed
    if (c == kEsc) {
      switch (e) {
        case 'U':
        case 'u': *out++ = FC_UP; break;
        case 'D':
        case 'd': *out++ = FC_DOWN; break;
        case 'b': *out++ = 8; break;
        case 'F': *out++ = FC_FSTEP; *out++ = 1; break;
        case 'f': *out++ = FC_FSTEP; *out++ = -1; break;
        case 'S': *out++ = FC_SIZESTEP; *out++ = 1; break;
        case 's': *out++ = FC_SIZESTEP; *out++ = -1; break;
        case 'g': {
          if (*p == '\0') break;  // cut short
          int32_t glyph = FC_UNDEFINED;
          for (int i = 0; i < kGreekLetters; ++i) {
            if (static_cast<unsigned char>(ct[i]) == *p) glyph = ft[i];
          }
          *out++ = glyph;
          ++p;
          break;
        }
        default: *out++ = FC_UNDEFINED; break;
      }
      continue;
    }
    switch (e) {
      case '\\': *out++ = 92; break;
      case '\'': *out++ = 39; break;
      case '`': *out++ = 96; break;
      case '-': *out++ = 45; break;
      case 'u': *out++ = FC_UP; break;
      case 'd': *out++ = FC_DOWN; break;
      case '(':
        if (p[0] == '\0' || p[1] == '\0') {  // cut short
          p += (p[0] == '\0') ? 0 : 1;
          break;
        }
        *out++ = special_character(reinterpret_cast<const char*>(p));
        p += 2;
        break;
      case 'f': {
        // The name: "(xy" or a single character.
        const int name_length = (p[0] == '(') ? 3 : 1;
        bool complete = p[0] != '\0';
        if (complete && name_length == 3) complete = p[1] != '\0' && p[2] != '\0';
        if (!complete) {
          while (*p != '\0') ++p;
          break;
        }
        *out++ = FC_FONT;
        *out++ = font_change(reinterpret_cast<const char*>(escape + 1));
        p += name_length;
        break;
      }
      case 's': {
        int32_t code = FC_SIZE;
        bool minus = false;
        if (*p == '+' || *p == '-') {
          code = FC_SIZESTEP;
          minus = (*p == '-');
          ++p;
        }
        if (*p == '\0') break;  // cut short
        int32_t n = 0;
        if (!scan_decimal(p, n)) {
          *out++ = FC_UNDEFINED;
          ++p;  // the one character at the number's position goes with it
          break;
        }
        *out++ = code;
        *out++ = minus ? negated(n) : n;
        while (is_digit(*p)) ++p;  // only digits standing right there
        break;
      }
      default: *out++ = FC_UNDEFINED; break;
    }
  }
  *out = 0;
  return reinterpret_cast<const char*>(p);
}

}  // namespace zarvo
