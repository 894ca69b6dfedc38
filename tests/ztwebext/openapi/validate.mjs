// Checks an OpenAPI document with @seriousme/openapi-schema-validator (the version pinned in
// package.json beside this file). Usage: node validate.mjs FILE; exit 0 when it is valid.
import { readFileSync } from "node:fs";
import { Validator } from "@seriousme/openapi-schema-validator";

const validator = new Validator();
const document = JSON.parse(readFileSync(process.argv[2], "utf8"));
const result = await validator.validate(document);
if (result.valid) {
  console.log(`valid OpenAPI ${validator.version}`);
  process.exit(0);
}
console.log(JSON.stringify(result.errors, null, 2));
process.exit(1);
