// The start-up password, set and cleared in the settings, asked by the
// unlock dialog at the next start. (That a wrong one is refused is the
// dialog's own UnlockDialogTest, with real keys.)
'use strict';

const assert = require('node:assert/strict');
const { scenario, until, windowsOf, xdotool, shot, displayShot } = require('../program');

const unlockDialog = async () => (await windowsOf()).find((w) => w.class === 'TavolinPasswordDlg' && w.visible);

// The dialog can be listed a moment before its field is.
async function typeIntoDialog(text) {
  const field = await until('the password field', async () => {
    const dialog = await unlockDialog();
    return dialog && dialog.children.find((c) => c.class.toLowerCase() === 'edit');
  });
  await xdotool('mousemove', String(field.x + 20), String(field.y + field.h / 2), 'click', '1');
  await xdotool('type', '--delay', '5', text);
  await xdotool('key', 'Return');
}

scenario('a start-up password set in the settings is asked at the next start before the window shows, and opens it; cleared, nothing is asked', async (open) => {
  const program = open();
  let page = await program.start();
  await page.click('#btnSettings');
  await page.fill('#s_newPwd', 'Open-Sesame-42');
  await page.fill('#s_newPwd2', 'Open-Sesame-42');
  await page.fill('#s_hint', '芝麻');
  await page.click('#btnSetPwd');
  await until('the password saved', () => program.config().security.enabled, 5000);
  assert.equal(JSON.stringify(program.config()).includes('Open-Sesame'), false);
  await page.keyboard.press('Escape');
  assert.equal(await program.quit(), 0);

  await program.start({ page: false });
  const dialog = await until('the unlock dialog', unlockDialog, 20000);
  await displayShot(dialog, 'program-unlock-dialog.png');
  assert.equal((await windowsOf()).some((w) => w.class === 'TavolinMainWindow' && w.visible), false);
  await typeIntoDialog('Open-Sesame-42');
  page = await program.attach();
  assert.equal(await unlockDialog(), undefined);
  await shot(page, 'program-unlocked-page.png');

  await page.click('#btnSettings');
  await page.fill('#s_oldPwd', 'Open-Sesame-42');
  await page.click('#btnClearPwd');
  await page.click('#confirmOk');
  await until('the password cleared', () => !program.config().security.enabled, 5000);
  await page.keyboard.press('Escape');
  assert.equal(await program.quit(), 0);
  page = await program.start();
  assert.equal(await unlockDialog(), undefined);
  assert.equal(await program.quit(), 0);
});
