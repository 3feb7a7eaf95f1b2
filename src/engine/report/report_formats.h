// SPDX-License-Identifier: MIT

#pragma once

// Every format text of the report. A real written with Fw.d (or Ew.d) takes its width and
// decimals from here: report_lines.h reads them from the parsed format, so a field can never
// disagree with the format that holds it.
namespace velmor::report_format {

// How the report prints a statistic that could not be computed (a standard error, its limits,
// an AICc that depends on them): a word, where "NaN" would look like a fault of the program and
// 0 like a result.
inline constexpr char kUnknownValue[] = "unknown";
// How the report prints the standard error of a parameter the data do not determine.
inline constexpr char kNotDetermined[] = "not determined";

// The section of one model.
inline constexpr char kTwoBlankLines[] = "(/)";
inline constexpr char kTitle[] = "(10X,A)";
inline constexpr char kProgramTitle[] = "VELMOR-TARN NONLINEAR OPTIMIZATION SOFTWARE";
// The second line of the title.
inline constexpr char kReportNotice[] =
    "Integrated Michaelis-Menten progress-curve analysis (Lambert W)";
inline constexpr char kDateTime[] = "(/,T20,A,/)";
// The model's description (ModelDescription): its title, then each of its other lines.
inline constexpr char kModelTitle[] = "(10X,'MODEL NAME:  ',A)";
inline constexpr char kModelLine[] = "(15X,A)";
inline constexpr char kDataSets[] = "(10X,'NUMBER OF DATA SETS ANALYZED:', T52, I3)";
inline constexpr char kParameters[] = "(10X,'NUMBER OF PARAMETERS, P:', T52, I3)";
inline constexpr char kConstraints[] = "(10X,'TOTAL NUMBER OF CONSTRAINTS:', T52, I3)";
inline constexpr char kEqualities[] = "(10X,'NUMBER OF EQUALITY CONSTRAINTS:', T52, I3)";
inline constexpr char kIterations[] = "(10X,'NUMBER OF ITERATIONS:', T51, I4)";
inline constexpr char kCallsExceeded[] =
    "(/10X,'CALLS TO FUNCTION EXCEEDED ',I4,'--INFO ='          ,I2/10X,"
    "'(MESSAGE RETURNED FROM STAGE 3)'/)";
inline constexpr char kUphill[] =
    "(/10X,'UPHILL SEARCH DIRECTION WAS EXECUTED--INFO ='              ,I2/10X,"
    "'(MESSAGE RETURNED FROM STAGE 3)'/)";
inline constexpr char kWeighting[] = "(10X,'WEIGHTING: ', A)";
inline constexpr char kNoWeightingName[] = "NO WEIGHTING";
inline constexpr char kRobustWeightingName[] = "ROBUST WEIGHTING";
// Only where the fast method fitted the model (the classic chain's reports stay as they were).
inline constexpr char kFitMethod[] = "(10X,'FIT METHOD: ', A)";
// Models 2 and 4 fitted with --baseline free (the line is absent otherwise).
inline constexpr char kBaselineFree[] = "(10X,'BASELINE: FREE (EITHER SIGN)')";
inline constexpr char kFastMethodName[] = "FAST (MULTI-START LEVENBERG-MARQUARDT)";
inline constexpr char kFitFailed[] =
    "(/10X,'FIT FAILED: SUM OF SQUARES OR PARAMETERS NOT FINITE; MODEL NOT RANKED')";
inline constexpr char kStage1[] = "(/10X,'STAGE-1 SIMPLEX SEARCH SSQ=',8X,F14.8)";
inline constexpr char kStage2[] = "(10X,'STAGE-2 QUADRATIC PROGRAMMING SSQ=',1X,F14.8)";
// Only where the final check of optimality moved the fit: the sums of squares where the chain
// of stages had ended and where the check took the fit, both with the model to full precision.
// Its Ew.d gives the fewest digits shown.
inline constexpr char kFinalCheck[] =
    "(10X,'FINAL CHECK LOWERED SSQ FROM',1X,E14.7,' TO',1X,E14.7)";
inline constexpr char kStandardError[] = "(/10X,'STANDARD ERROR OF REGRESSION=',5X,F14.8)";
inline constexpr char kAicc[] = "(10X,'AICc (Corrected Akaike)=',8X,F12.4,/)";
// The verdicts on the fit, between the AICc and the suggested ranges: the runs test of the
// residual signs (a P too small for its Fw.d in the exponent form Ew.d with the same decimals),
// whether the residuals are systematic, and one line (kVerdictLine) for each parameter the data
// do not determine or that ended on a bound.
inline constexpr char kRuns[] =
    "(10X,'RUNS OF RESIDUAL SIGNS:',I5,' RUNS,',F7.1,' EXPECTED, P =',F7.4)";
inline constexpr char kRunsNotTested[] =
    "(10X,'RUNS OF RESIDUAL SIGNS:',I5,' RUNS, NOT TESTED (NO CURVE HAS BOTH SIGNS)')";
inline constexpr char kSystematic[] =
    "(10X,'RESIDUALS ARE SYSTEMATIC: THE MODEL DOES NOT DESCRIBE THESE DATA')";
inline constexpr char kVerdictLine[] = "(10X,A)";
// The texts of the verdict lines: Km in the first-order limit (then Vm/Km with its standard
// error) or the zero-order limit (then Vm), a parameter's label before the others.
inline constexpr char kFirstOrderVerdict[] =
    "KM NOT DETERMINED BY THESE DATA (FIRST-ORDER): VM/KM = ";
inline constexpr char kZeroOrderVerdict[] = "KM NOT DETERMINED BY THESE DATA (ZERO-ORDER): VM = ";
inline constexpr char kNotDeterminedVerdict[] = " NOT DETERMINED BY THESE DATA";
inline constexpr char kOnLowerBoundVerdict[] = " ENDED ON ITS LOWER BOUND";
inline constexpr char kOnUpperBoundVerdict[] = " ENDED ON ITS UPPER BOUND";
inline constexpr char kRangeHeading[] = "(10X,'SUGGESTED DATA RANGE FOR OPTIMAL CURVE-FIT:')";
// A curve without a suggested range has kNoRange as its range and no other lines.
inline constexpr char kRangeOnly[] = "(10X,'Crv',I2,1X,'Suggested range [x] =',1X,A,/)";
inline constexpr char kNoRange[] = "N/A";
inline constexpr char kRange[] = "(10X,'Crv',I2,1X,'Suggested range [x] =',1X,A)";
inline constexpr char kInflection[] = "(10X,'Crv',I2,1X,'Inflection Point [x,y] =',1X,A)";
inline constexpr char kCurvature[] = "(10X,'Crv',I2,1X,'Curvature at [x,y] =',1X,A,/)";
inline constexpr char kInitialHeading[] = "(/10X,'INITIAL PARAMETER ESTIMATES, P():')";
inline constexpr char kInitialRow[] = "(5X,I3,2X,F12.6)";
inline constexpr char kBestFitHeading[] =
    "(/,10X,'BEST FIT PARAMETERS:', 4X, 'STD. ERRORS',              10X, "
    "'95% CONFIDENCE LIMITS')";
// A parameter's row: value, standard error and 95 % limits; the row of a parameter the data do
// not determine; the profile-likelihood limits in the same columns.
inline constexpr char kParameterRow[] =
    "(5X,I3,5X,F13.6,'  +/-',F13.6,3X,'[',F14.6,' ,',F14.6,' ]')";
inline constexpr char kUndeterminedRow[] = "(5X,I3,5X,F13.6,A18)";
// Under the Wald limits, the profile-likelihood limits of every parameter in the same columns.
inline constexpr char kProfileHeading[] = "(10X,'PROFILE-LIKELIHOOD 95% CONFIDENCE LIMITS:')";
inline constexpr char kProfileRow[] = "(5X,I3,5X,F13.6,21X,'[',F14.6,' ,',F14.6,' ]')";
inline constexpr char kSeparator[] = "(1X,78('-'))";
inline constexpr char kTableHeading[] =
    "(/,5X,'NO.',9X,'time',7X,'[So]',10X,'Y',9X,'Ycalc',6X,'RESIDUAL')";
// A row of the data table: number, time, [So], Y, Ycalc and the residual Ycalc - Y. The number
// of row 1000 (kMaxRows) overflows its I3 to asterisks, as reports have always shown it.
inline constexpr char kDataRow[] = "(5X, I3, 2X, F12.3, F12.3, F12.3, F12.3, 3X, F10.6)";

// The gradient table: a line of dashes, the headings and rows of two parameters each built at
// run time from these templates (Hollerith pieces around a count).
inline constexpr char kGradientTitle[] =
    "(10X,'PARAMETERS AND CORRESPONDING GRADIENT ', 'OF THE OBJECTIVE FUNCTION')";
inline constexpr char kGradientHeadingTemplate[] =
    "(18H(1X,'PARAMETER  |',      30H5X,'VALUE',12X,'GRADIENT    |',      "
    "27H5X,'VALUE',12X,'GRADIENT '))";
inline constexpr char kGradientRowTemplate[] =
    "(17H(1X,I2,' -',I3,4X,I2,24H('|',E14.7,4X,E14.7,2X)))";
// The correlation table, in blocks of at most four columns.
inline constexpr char kCorrelationTitle[] = "(22X,'PARAMETER AND CORRELATION MATRIX VALUES')";
inline constexpr char kDashLineTemplate[] = "(3H(1X,I3,6H('-')))";
inline constexpr char kBlockDashLineTemplate[] = "(4H(1X,,I3,6H('-')))";
inline constexpr char kCorrelationHeadingTemplate[] = "(5H(22X,,I3,16H('PARAM',I3,6X)))";
inline constexpr char kCorrelationRowTemplate[] = "(27H(3X,'PARAMETER(',I2,') |  ',I2,9H(A12,2X)))";

// The best-fit model summary closing a run that fitted two or more models.
inline constexpr char kSummaryTitle[] = "(14X,'VELMOR-TARN BEST-FIT MODEL SUMMARY:')";
inline constexpr char kSummaryColumns[] = "(5X, A4, 4X, A4, 7X, A12, 9X, A10, 18X, A6)";
inline constexpr char kSummaryRow[] = "(5X, I3, 2X, F10.4, 2X, F10.5, 2X, A, T75, F5.2, A2)";
inline constexpr char kSummaryUnknownRow[] = "(5X, I3, 2X, A10, 2X, A10, 2X, A, T75, A7)";
inline constexpr char kSummaryUnknownNote[] =
    "(5X,'unknown: a standard error could not be computed; the model is ranked last')";
inline constexpr char kSummaryFailedNote[] = "(5X,'not ranked, the fit failed: ',A)";
inline constexpr char kSummaryUndeterminedNote[] =
    "(5X,'parameters not determined by these data: ',A)";

// The report's last lines.
inline constexpr char kSavedTo[] = "(1X, A, A)";
inline constexpr char kSavedToLabel[] = "SAVED TO: ";
inline constexpr char kResultsWrittenTo[] = "(3X,'Results written to ', a)";

}  // namespace velmor::report_format
