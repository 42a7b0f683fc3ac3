#include "shells/core/run_values.h"

#include <gtest/gtest.h>

namespace quorvex {
namespace {

const char kNotInteger[] = "Please enter an integer.";

void ExpectValue(const char* text, IntRange range, int value) {
  const FieldReading r = ReadIntegerField(text, range);
  EXPECT_TRUE(r.ok) << '"' << text << "\": " << r.message;
  EXPECT_EQ(r.value, value) << '"' << text << '"';
}

void ExpectMessage(const char* text, IntRange range, const std::string& message) {
  const FieldReading r = ReadIntegerField(text, range);
  EXPECT_FALSE(r.ok) << '"' << text << '"';
  EXPECT_EQ(r.message, message) << '"' << text << '"';
}

TEST(ReadIntegerField, AcceptsWholeNumbersWithBlanksAndASign) {
  ExpectValue("12", kStepDaysRange, 12);
  ExpectValue(" 12 ", kStepDaysRange, 12);
  ExpectValue("\t12\t ", kStepDaysRange, 12);
  ExpectValue("+12", kStepDaysRange, 12);
  ExpectValue("1", kStepDaysRange, 1);
  ExpectValue("250", kStepDaysRange, 250);
  ExpectValue("0050", kStepDaysRange, 50);
  ExpectValue("50000", kDurationYearsRange, 50000);
  // Only the first 31 characters are read.
  ExpectValue("12                             x", kStepDaysRange, 12);
}

TEST(ReadIntegerField, RefusesWhatIsNotAWholeNumber) {
  for (const char* text : {"", "   ", "12a", "1 2", "1.5", "abc", "-", "+", "-0", "+0", "0x10", "12,0"})
    ExpectMessage(text, kStepDaysRange, kNotInteger);
}

TEST(ReadIntegerField, RangeMessagesNameTheBounds) {
  const std::string step = "Please enter an integer between 1 and 250.";
  const std::string years = "Please enter an integer between 1 and 50000.";
  ExpectMessage("0", kStepDaysRange, step);
  ExpectMessage("-5", kStepDaysRange, step);
  ExpectMessage("251", kStepDaysRange, step);
  ExpectMessage("50001", kDurationYearsRange, years);
  ExpectMessage("6", kPlotSpeedRange, "Please enter an integer between 1 and 5.");
  // Eleven digits saturate at the 32-bit extreme and get the range message.
  const FieldReading big = ReadIntegerField("12345678901", kDurationYearsRange);
  EXPECT_EQ(big.message, years);
  EXPECT_EQ(big.value, 2147483647);
  EXPECT_EQ(ReadIntegerField("-99999999999", kDurationYearsRange).value, -2147483647 - 1);
}

}  // namespace
}  // namespace quorvex
