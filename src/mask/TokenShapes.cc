#include "mask/TokenShapes.h"

namespace velt {
namespace mask {

namespace {

// Alphabets. Lengths are lower bounds where a vendor says tokens may grow,
// and every pattern runs on over the whole of its alphabet, so that no piece
// of a longer or newer token than documented is left behind.
#define B64 "A-Za-z0-9+/"
#define B64URL "A-Za-z0-9_-"

const TokenShape kShapes[] = {
    // AWS: access key IDs and the other unique IDs, four-letter prefix + 16.
    {MaskKind::kAwsKeyId, "AKIA|ASIA|ABIA|ACCA|AGPA|AIDA|AIPA|ANPA|ANVA|APKA|AROA", 0,
     "(?:AKIA|ASIA|ABIA|ACCA|AGPA|AIDA|AIPA|ANPA|ANVA|APKA|AROA)[A-Z0-9]{16,}"},
    // Amazon Bedrock API keys: long-term keys (base64 of the key's IAM user
    // "BedrockAPIKey-..." and secret), short-term keys (a signed URL).
    {MaskKind::kBedrockKey, "ABSK|QmVkcm9ja0FQSUtleS", 0,
     "(?:ABSK|QmVkcm9ja0FQSUtleS)[" B64 "]{20,}={0,2}"},
    {MaskKind::kBedrockKey, "bedrock-api-key-", 0, "bedrock-api-key-[" B64 "]{20,}={0,2}"},
    // Google: API keys (AIza + 35, any last character), OAuth client secrets
    // and access tokens.
    {MaskKind::kGoogleApiKey, "AIza", 0, "AIza[" B64URL "]{35,}"},
    {MaskKind::kGoogleOAuth, "GOCSPX-", 0, "GOCSPX-[" B64URL "]{20,}"},
    {MaskKind::kGoogleOAuth, "ya29.", 0, "ya29\\.[." B64URL "]{20,}"},
    // Microsoft Entra (Azure AD) client secrets: 3 characters, a digit, "Q~", 31 to 34 more.
    {MaskKind::kAzureClientSecret, "Q~", 4, "[A-Za-z0-9_~.-]{3}[0-9]Q~[A-Za-z0-9_~.-]{31,}"},
    // Azure storage and service bus: keys in connection strings, shared
    // access signatures (whole, or their sig= part in a URL).
    {MaskKind::kAzureStorage, "AccountKey=|SharedAccessKey=", 0,
     "(?:AccountKey|SharedAccessKey)=([" B64 "]{20,}={0,2})"},
    {MaskKind::kAzureStorage, "SharedAccessSignature=", 0, "SharedAccessSignature=([^;\"'\\s]{20,})"},
    {MaskKind::kAzureStorage, "sig=", 1, "[?&;]sig=([A-Za-z0-9%+/=]{20,})"},
    // GitHub: ghp_/gho_/ghu_/ghs_/ghr_ + 36 (up to 255), fine-grained github_pat_.
    {MaskKind::kGitHub, "ghp_|gho_|ghu_|ghs_|ghr_", 0, "gh[pousr]_[A-Za-z0-9]{36,}"},
    {MaskKind::kGitHub, "github_pat_", 0, "github_pat_[A-Za-z0-9_]{22,}"},
    // GitLab: every gl...- prefix, routable tokens with their dotted
    // suffix, runner registration tokens, the session cookie.
    {MaskKind::kGitLab,
     "glpat-|gloas-|gldt-|glrt-|glrtr-|glcbt-|glptt-|glft-|glimt-|glagent-|glsoat-|glffct-|glwt-", 0,
     "gl(?:pat|oas|dt|rt|rtr|cbt|ptt|ft|imt|agent|soat|ffct|wt)-[" B64URL "]{20,}(?:\\.[" B64URL
     "]+)*"},
    {MaskKind::kGitLab, "GR1348941", 0, "GR1348941[" B64URL "]{20,}"},
    {MaskKind::kGitLab, "_gitlab_session=", 0, "_gitlab_session=([0-9a-f]{32,})"},
    // Slack: bot, user, app, refresh, rotating and browser tokens, app-level
    // tokens, webhook URLs (the host stays).
    {MaskKind::kSlack, "xoxb-|xoxp-|xoxa-|xoxr-|xoxs-|xoxc-|xoxe-|xoxe.|xapp-", 0,
     "(?:xox[abprsce]|xoxe\\.xox[bp]|xapp)-[0-9]+-[A-Za-z0-9-]{8,}"},
    {MaskKind::kSlack, "xoxd-", 0, "xoxd-[A-Za-z0-9%/+=_-]{20,}"},
    {MaskKind::kSlackWebhook, "hooks.slack.com/", 0,
     "hooks\\.slack\\.com/((?:services|workflows|triggers)/[A-Za-z0-9_/+-]{8,})"},
    // JSON web tokens: signed (3 parts) or encrypted (5), and a JWT wrapped
    // in base64 once more ("eyJ" encodes as "ZXlK").
    {MaskKind::kJwt, "eyJ", 0,
     "eyJ[" B64URL "]{8,}(?:\\.[" B64URL "]*\\.[" B64URL "]+\\.[" B64URL "]+\\.[" B64URL
     "]+|\\.[" B64URL "]{4,}\\.[" B64URL "]*)"},
    {MaskKind::kJwt, "ZXlK", 0, "ZXlK[" B64 "]{40,}={0,2}"},
    // A container registry login: a base64 JSON document '{"auths":'.
    {MaskKind::kRegistryAuth, "eyJhdXRocyI6|ewogICJhdXRocyI6|ewoJImF1dGhzIjo", 0,
     "(?:eyJhdXRocyI6|ewogICJhdXRocyI6|ewoJImF1dGhzIjo)[" B64 "]*={0,2}"},
    // Stripe: secret and restricted keys, live and test, webhook secrets.
    {MaskKind::kStripe, "sk_live_|sk_test_|rk_live_|rk_test_", 0,
     "[sr]k_(?:live|test)_[A-Za-z0-9]{10,}"},
    {MaskKind::kStripe, "whsec_", 0, "whsec_[A-Za-z0-9+/=]{24,}"},
    // Twilio API key SIDs: SK + 32 hex.
    {MaskKind::kTwilio, "SK", 0, "SK[0-9a-fA-F]{32}"},
    // SendGrid: SG. + 22 + . + 43.
    {MaskKind::kSendGrid, "SG.", 0, "SG\\.[" B64URL "]{16,}\\.[" B64URL "]{16,}"},
    // Mailgun private API keys: key- + 32 hex.
    {MaskKind::kMailgun, "key-", 0, "key-[0-9a-f]{32}"},
    // npm: npm_ + 36.
    {MaskKind::kNpm, "npm_", 0, "npm_[A-Za-z0-9]{36,}"},
    // PyPI: pypi- + a base64url macaroon (which begins with "Ag").
    {MaskKind::kPyPi, "pypi-Ag", 0, "pypi-Ag[" B64URL "]{40,}"},
    // Docker Hub personal and organisation access tokens.
    {MaskKind::kDockerHub, "dckr_pat_|dckr_oat_", 0, "dckr_(?:pat|oat)_[" B64URL "]{20,}"},
    // HashiCorp Vault service, batch and recovery tokens; Terraform Cloud
    // tokens: 14 characters, ".atlasv1.", 60 or more.
    {MaskKind::kVault, "hvs.|hvb.|hvr.", 0, "hv[sbr]\\.[" B64URL "]{20,}"},
    {MaskKind::kTerraform, ".atlasv1.", 14, "[A-Za-z0-9]{14}\\.atlasv1\\.[A-Za-z0-9_=-]{40,}"},
    // Shopify access, custom app, private app tokens and shared secrets: + 32 hex.
    {MaskKind::kShopify, "shpat_|shpca_|shppa_|shpss_", 0, "shp(?:at|ca|pa|ss)_[a-fA-F0-9]{32,}"},
    // Atlassian API tokens, Confluence/Jira tokens, Bitbucket app passwords.
    {MaskKind::kAtlassian, "ATATT|ATCTT|ATBB", 0, "(?:ATATT|ATCTT|ATBB)[A-Za-z0-9_=-]{24,}"},
    // DigitalOcean personal, OAuth and refresh tokens: + 64 hex.
    {MaskKind::kDigitalOcean, "dop_v1_|doo_v1_|dor_v1_", 0, "do[opr]_v1_[a-f0-9]{64,}"},
    // Heroku API keys in the prefixed format.
    {MaskKind::kHeroku, "HRKU-", 0, "HRKU-[" B64URL "]{20,}"},
    // Hugging Face user and organisation tokens.
    {MaskKind::kHuggingFace, "hf_|api_org_", 0, "(?:hf|api_org)_[A-Za-z0-9]{30,}"},
    // OpenAI project, service account, admin and older keys (whose middle is
    // "T3BlbkFJ", base64 of "OpenAI"); Anthropic keys.
    {MaskKind::kAnthropic, "sk-ant-", 0, "sk-ant-[a-z]+[0-9]*-[" B64URL "]{20,}"},
    {MaskKind::kOpenAi, "sk-proj-|sk-svcacct-|sk-admin-|sk-None-", 0,
     "sk-(?:proj|svcacct|admin|None)-[" B64URL "]{20,}"},
    {MaskKind::kOpenAi, "T3BlbkFJ", 23, "sk-[A-Za-z0-9_-]{20}T3BlbkFJ[A-Za-z0-9_-]{20,}"},
    {MaskKind::kOpenAi, "sk-", 0, "sk-[A-Za-z0-9]{48}"},
    // Databricks personal access tokens: dapi + 32 hex (and a "-N" suffix).
    {MaskKind::kDatabricks, "dapi", 0, "dapi[a-f0-9]{32}(?:-[0-9]+)?"},
    // Grafana: service account tokens, Cloud access policy tokens, and the
    // older API keys (base64 JSON '{"k":"').
    {MaskKind::kGrafana, "glsa_|glc_", 0, "gl(?:sa|c)_[A-Za-z0-9_+/]{32,}={0,2}"},
    {MaskKind::kGrafana, "eyJrIjoi", 0, "eyJrIjoi[" B64 "]{30,}={0,2}"},
    // New Relic: user, admin, insights and browser keys; license keys end in NRAL.
    {MaskKind::kNewRelic, "NRAK-|NRAA-|NRII-|NRIQ-|NRJS-|NRRA-|NRSP-", 0,
     "NR(?:AK|AA|II|IQ|JS|RA|SP)-[A-Za-z0-9_-]{19,}"},
    {MaskKind::kNewRelic, "NRAL", 36, "[a-fA-F0-9]{36}NRAL"},
    // Sentry organisation and user auth tokens.
    {MaskKind::kSentry, "sntrys_|sntryu_", 0, "sntry[su]_[A-Za-z0-9+/=_-]{20,}"},
    // Linear API and OAuth keys.
    {MaskKind::kLinear, "lin_api_|lin_oauth_", 0, "lin_(?:api|oauth)_[A-Za-z0-9]{32,}"},
    // Notion integration tokens, current (ntn_) and older (secret_ + 43).
    {MaskKind::kNotion, "ntn_", 0, "ntn_[A-Za-z0-9]{40,}"},
    {MaskKind::kNotion, "secret_", 0, "secret_[A-Za-z0-9]{43}"},
    // Postman API keys and collection access tokens.
    {MaskKind::kPostman, "PMAK-|PMAT-", 0, "PMA[KT]-[A-Za-z0-9-]{40,}"},
    // Doppler CLI, personal, service, service account, SCIM and audit tokens.
    {MaskKind::kDoppler, "dp.ct.|dp.pt.|dp.st.|dp.sa.|dp.said.|dp.scim.|dp.audit.", 0,
     "dp\\.(?:ct|pt|st|sa|said|scim|audit)\\.(?:[a-z0-9_-]{2,35}\\.)?[A-Za-z0-9]{40,}"},
    // Pulumi access tokens: pul- + 40 hex.
    {MaskKind::kPulumi, "pul-", 0, "pul-[a-f0-9]{40,}"},
    // age identities (Bech32, upper case) and plugin identities.
    {MaskKind::kAge, "AGE-SECRET-KEY-1|AGE-PLUGIN-", 0,
     "AGE-(?:SECRET-KEY-|PLUGIN-[A-Z0-9]+-)1[QPZRY9X8GF2TVDW0S3JN54KHCE6MUA7L]{20,}"},
    // Password hashes: crypt(3) formats (each with a salt and a hash
    // field), argon2, LDAP-style {SCHEME}, PostgreSQL's SCRAM and md5.
    {MaskKind::kPasswordHash, "$1$|$2a$|$2b$|$2x$|$2y$|$5$|$6$|$7$|$y$|$gy$|$apr1$|$md5$|$sha1$",
     0, "\\$(?:1|2[abxy]|5|6|7|y|gy|apr1|md5|sha1)\\$[./A-Za-z0-9=,+-]+\\$[./A-Za-z0-9$=,+-]{8,}"},
    {MaskKind::kPasswordHash, "$argon2", 0, "\\$argon2(?:id|i|d)\\$[A-Za-z0-9$=,+/.-]{20,}"},
    {MaskKind::kPasswordHash, "{SHA}|{SSHA}|{SHA256}|{SSHA256}|{SHA512}|{SSHA512}|{MD5}|{SMD5}|{CRYPT}",
     0, "\\{(?:S?SHA(?:256|512)?|S?MD5|CRYPT)\\}[A-Za-z0-9+/=.$]{8,}"},
    {MaskKind::kPasswordHash, "SCRAM-SHA-256$", 0,
     "SCRAM-SHA-256\\$[0-9]+:[" B64 "=]+\\$[" B64 "=]+:[" B64 "=]+"},
    {MaskKind::kPasswordHash, "md5", 0, "md5[a-f0-9]{32}"},
};

#undef B64
#undef B64URL

}  // namespace

const TokenShape* TokenShapes(size_t& count) {
  count = sizeof(kShapes) / sizeof(kShapes[0]);
  return kShapes;
}

}  // namespace mask
}  // namespace velt
