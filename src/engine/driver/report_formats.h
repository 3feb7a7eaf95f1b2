// SPDX-License-Identifier: MIT

#pragma once

// The format texts of the report, as the report has always been written. Each is handed to the
// formatter as it stands, or with its Fw.d replaced by the field its value needs (see
// util::fitting_descriptor). The rows of the parameter and data tables are built from their
// fields in model_report.cc.
namespace velmor::report_format {

inline constexpr char kTwoBlankLines[] = "(/)";
inline constexpr char kTitle[] = "(10X,A)";
inline constexpr char kDateTime[] = "(/,T20,A,/)";
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
inline constexpr char kFinalCheck[] =
    "(10X,'FINAL CHECK LOWERED SSQ FROM',1X,E14.7,' TO',1X,E14.7)";
inline constexpr char kStandardError[] = "(/10X,'STANDARD ERROR OF REGRESSION=',5X,F14.8)";
inline constexpr char kAicc[] = "(10X,'AICc (Corrected Akaike)=',8X,F12.4,/)";
// The verdicts on the fit, between the AICc and the suggested ranges: the runs test of the
// residual signs (P below 1e-4 in the exponent form E11.4), whether the residuals are
// systematic, and one line (kVerdictLine) for each parameter the data do not determine or that
// ended on a bound.
inline constexpr char kRuns[] =
    "(10X,'RUNS OF RESIDUAL SIGNS:',I5,' RUNS,',F7.1,' EXPECTED, P =',F7.4)";
inline constexpr char kRunsNotTested[] =
    "(10X,'RUNS OF RESIDUAL SIGNS:',I5,' RUNS, NOT TESTED (NO CURVE HAS BOTH SIGNS)')";
inline constexpr char kSystematic[] =
    "(10X,'RESIDUALS ARE SYSTEMATIC: THE MODEL DOES NOT DESCRIBE THESE DATA')";
inline constexpr char kVerdictLine[] = "(10X,A)";
inline constexpr char kRangeHeading[] = "(10X,'SUGGESTED DATA RANGE FOR OPTIMAL CURVE-FIT:')";
inline constexpr char kRangeOnly[] = "(10X,'Crv',I2,1X,'Suggested range [x] =',1X,A,/)";
inline constexpr char kRange[] = "(10X,'Crv',I2,1X,'Suggested range [x] =',1X,A)";
inline constexpr char kInflection[] = "(10X,'Crv',I2,1X,'Inflection Point [x,y] =',1X,A)";
inline constexpr char kCurvature[] = "(10X,'Crv',I2,1X,'Curvature at [x,y] =',1X,A,/)";
inline constexpr char kInitialHeading[] = "(/10X,'INITIAL PARAMETER ESTIMATES, P():')";
inline constexpr char kInitialRow[] = "(5X,I3,2X,F12.6)";
inline constexpr char kBestFitHeading[] =
    "(/,10X,'BEST FIT PARAMETERS:', 4X, 'STD. ERRORS',              10X, "
    "'95% CONFIDENCE LIMITS')";
// Under the Wald limits, the profile-likelihood limits of every parameter in the same columns.
inline constexpr char kProfileHeading[] = "(10X,'PROFILE-LIKELIHOOD 95% CONFIDENCE LIMITS:')";
inline constexpr char kTableHeading[] =
    "(/,5X,'NO.',9X,'time',7X,'[So]',10X,'Y',9X,'Ycalc',6X,'RESIDUAL')";
inline constexpr char kSavedTo[] = "(1X, A, A)";
inline constexpr char kResultsWrittenTo[] = "(3X,'Results written to ', a)";

}  // namespace velmor::report_format
